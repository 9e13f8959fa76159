// The strip chart under the mouse: which plot and set a position hits, the
// cross-hair read-out, dragging to pan, the wheel zooms, and the context
// menu with its saves.
#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "widgets/StripChartImpl.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>

namespace cv {

namespace {
// Each wheel notch shows this much of the range (or its inverse out).
constexpr double kWheelZoom = 0.8;
// A press that moves less than this is a click, not a drag.
constexpr int kDragSlop = 4;

const QString kPngFilter = QStringLiteral("PNG Images(*.png)|*.png|All Files (*.*)|*.*");
const QString kCsvFilter = QStringLiteral("CSV Files(*.csv)|*.csv|All Files (*.*)|*.*");
const QString kPngError = QStringLiteral("Error: Cannot Save Chart to File");
const QString kCsvError = QStringLiteral("Error: Cannot Save Values to File");
} // namespace

int StripChart::Impl::paneAt(const QPoint& pos)
{
    ensureLayout();
    for (int i = 0; i < int(layout.panes.size()); ++i)
        if (layout.panes[size_t(i)].contains(pos))
            return i;
    return -1;
}

int64_t StripChart::Impl::setNear(int64_t tUs) const
{
    if (frame.firstSet >= frame.endSet)
        return -1;
    const int64_t s = std::clamp(history.lowerBound(tUs), frame.firstSet, frame.endSet - 1);
    if (s > frame.firstSet && tUs - history.timeUs(s - 1) < history.timeUs(s) - tUs)
        return s - 1;
    return s;
}

std::vector<std::pair<int, QString>> StripChart::Impl::readOut(const QPoint& pos)
{
    std::vector<std::pair<int, QString>> lines;
    const int pi = paneAt(pos);
    if (pi < 0)
        return lines;
    const QRect& pane = layout.panes[size_t(pi)];
    const int64_t set = setNear(timeAtX(pane, pos.x()));
    if (set < 0)
        return lines;
    const int decimals = chart::valueDecimals(plotAt(pi).view.span());
    lines.emplace_back(-1,
                       QStringLiteral("%1 s   set %2   cursor %3")
                           .arg(history.seconds(set), 0, 'f', 3)
                           .arg(set)
                           .arg(chart::valueText(valueAtY(plotAt(pi), pane, pos.y()), decimals)));
    for (int i = 0; i < int(traces.size()); ++i) {
        const double v = history.value(i, set);
        if (std::isnan(v))
            continue;
        const int places = chart::valueDecimals(plotAt(plotOf(traces[size_t(i)])).view.span());
        lines.emplace_back(i, QStringLiteral("%1: %2").arg(nameOf(i), chart::valueText(v, places)));
    }
    return lines;
}

QStringList StripChart::readOut(const QPoint& pos) const
{
    QStringList lines;
    for (const auto& [trace, text] : d_->readOut(pos))
        lines << text;
    return lines;
}

void StripChart::Impl::paintCrossHair(QPainter& p)
{
    if (!cursor || dragFrom)
        return;
    const auto lines = readOut(*cursor);
    if (lines.empty())
        return;
    const QRect& pane = layout.panes[size_t(paneAt(*cursor))];
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1, Qt::DashLine));
    const int x = cursor->x();
    for (const QRect& r : layout.panes)
        p.drawLine(x, r.top() + 1, x, r.bottom() - 1);
    p.drawLine(pane.left() + 1, cursor->y(), pane.right() - 1, cursor->y());

    // A dot on each trace where the cross-hair meets it.
    const int64_t set = setNear(timeAtX(pane, x));
    const double dotX = xOfTime(pane, history.timeUs(set));
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int t = 0; t < int(traces.size()); ++t) {
        const double v = history.value(t, set);
        const int pi = plotOf(traces[size_t(t)]);
        if (std::isnan(v))
            continue;
        const double dotY = yOf(plotAt(pi), layout.panes[size_t(pi)], v);
        if (!layout.panes[size_t(pi)].contains(QPoint(int(dotX), int(dotY))))
            continue;
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(traces[size_t(t)].color);
        p.drawEllipse(QPointF(dotX, dotY), 3, 3);
    }
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setFont(smallFont());
    const QFontMetrics fm(p.font());
    constexpr int kMark = 16; // colour mark before a trace's line
    int w = 0;
    for (const auto& [trace, text] : lines)
        w = std::max(w, fm.horizontalAdvance(text) + (trace >= 0 ? kMark : 0));
    const int lineH = fm.height();
    QRect box(0, 0, w + 12, lineH * int(lines.size()) + 6);
    box.moveTopLeft(*cursor + QPoint(14, 14));
    if (box.right() > q->width() - 2)
        box.moveRight(cursor->x() - 14);
    if (box.bottom() > q->height() - 2)
        box.moveBottom(q->height() - 4);
    box.moveTop(std::max(0, box.top()));
    p.setPen(QColor(0x9a, 0x9a, 0x9a));
    p.setBrush(QColor(255, 255, 230, 240));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    int y = box.top() + 3 + fm.ascent();
    const QColor text = q->palette().color(QPalette::ToolTipText);
    for (const auto& [trace, line] : lines) {
        int tx = box.left() + 6;
        if (trace >= 0) {
            p.fillRect(QRect(tx, y - fm.ascent() / 2, 11, 3), traces[size_t(trace)].color);
            tx += kMark;
        }
        p.setPen(text);
        p.drawText(tx, y, line);
        y += lineH;
    }
}

bool StripChart::savePng(const QString& path, QString* error)
{
    // The picture without the cursor's marks.
    const auto cursor = d_->cursor;
    d_->cursor.reset();
    const QPixmap pixmap = grab();
    d_->cursor = cursor;
    // Encoded first, then written and checked as one piece.
    QByteArray png;
    QBuffer buffer(&png);
    return pixmap.save(&buffer, "PNG") && writeWholeFile(path, png, error);
}

void askAndSaveChart(bool png, const std::function<bool(const QString&, QString*)>& save)
{
    FileDialogRequest r;
    r.save = true;
    r.title = png ? QStringLiteral("Save as PNG") : QStringLiteral("Save visible data as CSV");
    r.filter = png ? kPngFilter : kCsvFilter;
    const auto path = services().fileDialog(r);
    QString why;
    const QString error = png ? kPngError : kCsvError;
    if (path && !save(*path, &why))
        services().message(why.isEmpty() ? error : error + QLatin1Char('\n') + why, MsgIcon::None,
                           kAppTitle, MsgButtons::Ok);
}

void StripChart::saveAsPng()
{
    askAndSaveChart(true, [this](const QString& path, QString* why) { return savePng(path, why); });
}

void StripChart::saveVisibleDataAsCsv()
{
    askAndSaveChart(false,
                    [this](const QString& path, QString* why) { return saveVisibleCsv(path, why); });
}

QMenu* StripChart::createContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    connect(menu->addAction(QStringLiteral("Save as PNG")), &QAction::triggered, this,
            &StripChart::saveAsPng);
    connect(menu->addAction(QStringLiteral("Save visible data as CSV")), &QAction::triggered, this,
            &StripChart::saveVisibleDataAsCsv);
    return menu;
}

// A left press on a plot starts a drag that pans in time; a press that does
// not move does nothing, so a stray click changes nothing.
void StripChart::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && d_->paneAt(event->position().toPoint()) >= 0)
        d_->dragFrom = event->position().toPoint();
}

void StripChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && d_->dragFrom) {
        d_->dragFrom.reset();
        unsetCursor();
        d_->schedule();
    }
}

void StripChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    d_->dragFrom.reset();
    resetZoom(d_->paneAt(event->position().toPoint()));
    if (d_->span.seconds != d_->chosenSeconds)
        setTimeSpan(d_->chosenSeconds);
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (d_->dragFrom) {
        const int dx = pos.x() - d_->dragFrom->x();
        if (std::abs(dx) >= kDragSlop || cursor().shape() == Qt::ClosedHandCursor) {
            setCursor(Qt::ClosedHandCursor);
            // Dragging right brings older sets into view.
            const QRect& pane = d_->layout.panes.front();
            panTime(-dx * d_->frame.window.seconds() / std::max(1, pane.width() - 1));
            d_->dragFrom = pos;
            d_->cursor = pos;
        }
        return;
    }
    d_->cursor = pos;
    if (d_->paneAt(pos) >= 0)
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
    d_->schedule();
}

void StripChart::leaveEvent(QEvent*)
{
    d_->cursor.reset();
    d_->schedule();
}

bool StripChart::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter)
        leaveEvent(event);
    return QWidget::eventFilter(watched, event);
}

// The wheel zooms the value axis of the plot under it; with Ctrl it zooms
// the time axis, with Shift it pans in time.
void StripChart::wheelEvent(QWheelEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const int pi = d_->paneAt(pos);
    const double steps = event->angleDelta().y() / 120.0;
    if (pi < 0 || steps == 0) {
        event->ignore();
        return;
    }
    const QRect& pane = d_->layout.panes[size_t(pi)];
    if (event->modifiers() & Qt::ControlModifier)
        zoomTime(d_->secondsOf(d_->timeAtX(pane, pos.x())), std::pow(kWheelZoom, steps));
    else if (event->modifiers() & Qt::ShiftModifier)
        panTime(-steps * d_->frame.window.seconds() / 10);
    else
        zoomValueAxis(pi, d_->valueAtY(d_->plotAt(pi), pane, pos.y()), std::pow(kWheelZoom, steps));
    event->accept();
}

void StripChart::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// The controls in the top bar take their places with the layout.
void StripChart::resizeEvent(QResizeEvent*)
{
    d_->relayout();
    d_->ensureLayout();
}

void StripChart::showEvent(QShowEvent*)
{
    d_->relayout();
    d_->ensureLayout();
}

void StripChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::StyleChange)
        d_->relayout();
    QWidget::changeEvent(event);
}

} // namespace cv
