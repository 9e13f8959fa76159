#include "measure/ui/SpectrumPanel.h"

#include "measure/SensorOverview.h"
#include "measure/ui/AdcFrm.h"
#include "platform/OpenFiles.h"
#include "widgets/StripChart.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace cv {

PeakList::PeakList(QWidget* parent) : QWidget(parent), selection_(&doc_)
{
    doc_.setUndoRedoEnabled(false);
    doc_.setDocumentMargin(0);
    doc_.setDefaultFont(font());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::IBeamCursor);
    // Its own ground: a new text repaints the list alone, not the window under it.
    setAutoFillBackground(true);
}

const QTextDocument& PeakList::wrapped(int width) const
{
    if (doc_.textWidth() != width)
        doc_.setTextWidth(width);
    return doc_;
}

void PeakList::setText(const QString& html)
{
    if (html == html_)
        return;
    html_ = html;
    selection_.clearSelection();
    // Laid out once, its shaped lines kept for the paints: without a layout
    // while the text is set, the lines are laid out when first asked for,
    // with their glyphs kept, not shaped again at each paint.
    doc_.setDocumentLayout(nullptr);
    doc_.setHtml(html);
    for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next())
        b.layout()->setCacheEnabled(true);
    wrapped(width());
    // The window is laid out again only when the height the text needs changed.
    const int needs = heightForWidth(width());
    if (needs != needs_) {
        needs_ = needs;
        updateGeometry();
    }
    update();
}

int PeakList::heightForWidth(int width) const
{
    return std::max(minimumHeight(), int(std::ceil(wrapped(width).size().height())));
}

QSize PeakList::sizeHint() const
{
    // Its height is the one at the width it has: asking at another width
    // would lay the text out twice.
    const int width = 80 * fontMetrics().averageCharWidth();
    return {width, heightForWidth(this->width() > 0 ? this->width() : width)};
}

QSize PeakList::minimumSizeHint() const
{
    return {0, minimumHeight()};
}

void PeakList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(foregroundRole()));
    if (selection_.hasSelection()) {
        QTextCharFormat marked;
        marked.setBackground(palette().brush(QPalette::Highlight));
        marked.setForeground(palette().brush(QPalette::HighlightedText));
        context.selections.append({selection_, marked});
    }
    wrapped(width()).documentLayout()->draw(&p, context);
}

void PeakList::resizeEvent(QResizeEvent*)
{
    needs_ = heightForWidth(width());
}

void PeakList::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange) {
        doc_.setDefaultFont(font());
        updateGeometry();
    }
    QWidget::changeEvent(e);
}

int PeakList::positionAt(const QPoint& p) const
{
    return std::max(0, wrapped(width()).documentLayout()->hitTest(p, Qt::FuzzyHit));
}

void PeakList::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    selection_.setPosition(positionAt(e->position().toPoint()));
    update();
}

void PeakList::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    selection_.setPosition(positionAt(e->position().toPoint()), QTextCursor::KeepAnchor);
    update();
}

void PeakList::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::SelectAll)) {
        selection_.select(QTextCursor::Document);
        update();
    } else
        QWidget::keyPressEvent(e);
}

void PeakList::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu;
    menu.addAction(QStringLiteral("&Copy"), this, &PeakList::copy)
        ->setEnabled(selection_.hasSelection());
    menu.addAction(QStringLiteral("Select All"), this, [this] {
        selection_.select(QTextCursor::Document);
        update();
    });
    menu.exec(e->globalPos());
}

void PeakList::copy() const
{
    if (selection_.hasSelection())
        QGuiApplication::clipboard()->setText(selection_.selection().toPlainText());
}

QString peakText(const SpectrumPeak& p, double rateHz)
{
    QString t = QStringLiteral("%1 Hz %2 p-p").arg(p.hz, 0, 'f', 2).arg(p.countsPp, 0, 'f', 1);
    if (p.aliasOf)
        t += *p.aliasOf < rateHz / 2 ? QStringLiteral(" (%1 Hz hum)").arg(*p.aliasOf)
                                     : QStringLiteral(" (alias of %1 Hz)").arg(*p.aliasOf);
    return t;
}

SpectrumPlot::SpectrumPlot(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(280, 200);
    // It fills all of itself: a refresh need not repaint the window under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpectrumPlot::setSpectra(const ShownSpectra* spectra)
{
    spectra_ = spectra;
    update();
}

void SpectrumPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());
    const QRectF r = QRectF(rect()).adjusted(fm.horizontalAdvance(QStringLiteral("1000")) + 8, 8,
                                             -10, -fm.height() - 8);
    p.setPen(QColor(0xB0, 0xB0, 0xB0));
    p.drawRect(r);
    double nyquist = 0, lo = 1e9, hi = 0;
    for (const auto& [stage, s] : spectra_ ? *spectra_ : ShownSpectra{}) {
        if (s.amplitude.empty())
            continue;
        nyquist = std::max(nyquist, s.rateHz / 2);
        lo = std::min(lo, std::max(1e-3, s.noiseFloor / 4));
        hi = std::max(hi, *std::max_element(s.amplitude.begin() + 1, s.amplitude.end()));
    }
    if (nyquist <= 0) {
        p.setPen(Qt::darkGray);
        p.drawText(r, Qt::AlignCenter, QStringLiteral("Collecting sets..."));
        return;
    }
    // Log amplitude in whole decades; frequency linear.
    const double d0 = std::floor(std::log10(lo)), d1 = std::max(d0 + 1, std::ceil(std::log10(hi)));
    auto x = [&](double hz) { return r.left() + hz / nyquist * r.width(); };
    auto y = [&](double a) {
        const double v = std::clamp(std::log10(std::max(a, 1e-9)), d0, d1);
        return r.bottom() - (v - d0) / (d1 - d0) * r.height();
    };
    p.setPen(QColor(0x60, 0x60, 0x60));
    for (double d = d0; d <= d1; ++d) {
        const double yy = y(std::pow(10.0, d));
        p.drawLine(QPointF(r.left() - 3, yy), QPointF(r.left(), yy));
        p.drawText(QRectF(0, yy - fm.height() / 2.0, r.left() - 5, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(std::pow(10.0, d)));
    }
    const double step = nyquist > 40 ? 10 : nyquist > 8 ? 2 : 1;
    for (double hz = 0; hz <= nyquist + 1e-9; hz += step) {
        p.drawLine(QPointF(x(hz), r.bottom()), QPointF(x(hz), r.bottom() + 3));
        p.drawText(QRectF(x(hz) - 30, r.bottom() + 3, 60, fm.height()), Qt::AlignCenter,
                   QString::number(hz));
    }
    p.drawText(QRectF(r.right() - 60, r.bottom() + 3, 60, fm.height()), Qt::AlignRight,
               QStringLiteral("Hz"));
    std::vector<QPointF> line;
    for (const auto& [stage, s] : *spectra_) {
        if (s.amplitude.empty())
            continue;
        const QColor c = AdcFrm::stageColor(stage);
        // A polyline draws the same pixels as a path through the points, quicker.
        line.resize(s.amplitude.size());
        for (size_t k = 0; k < s.amplitude.size(); ++k)
            line[k] = QPointF(x(double(k) * s.resolutionHz), y(s.amplitude[k]));
        p.setPen(QPen(c, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line.data(), int(line.size()));
        p.setPen(QPen(c, 1, Qt::DashLine));
        p.drawLine(QPointF(r.left(), y(s.noiseFloor)), QPointF(r.right(), y(s.noiseFloor)));
        p.setPen(QPen(c.darker(140), 1));
        for (size_t i = 0; i < s.peaks.size(); ++i) {
            const QPointF pt(x(s.peaks[i].hz), y(s.peaks[i].countsPp));
            p.drawEllipse(pt, 3, 3);
            if (i == 0)
                p.drawText(pt + QPointF(5, -4),
                           QStringLiteral("%1 Hz").arg(s.peaks[i].hz, 0, 'f', 2));
        }
    }
}

SpectrumPanel::SpectrumPanel(std::function<bool(int)> shown, QWidget* parent)
    : QWidget(parent), shown_(std::move(shown))
{
    setObjectName(QStringLiteral("SpectrumPanel"));
    // The delta chart beside it keeps the larger share of the width.
    setMaximumWidth(540);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("<b>Spectrum</b>"));
    WindowCmb = new QComboBox;
    WindowCmb->addItems({QStringLiteral("Hann"), QStringLiteral("None")});
    WindowCmb->setToolTip(QStringLiteral("Window function (None shows the leakage Hann avoids)"));
    SecondsSpin = new QSpinBox;
    SecondsSpin->setRange(2, 60);
    SecondsSpin->setValue(10);
    SecondsSpin->setSuffix(QStringLiteral(" s"));
    SecondsSpin->setToolTip(QStringLiteral("Length of the window: the last sets transformed"));
    HoldCmd = new QPushButton(QStringLiteral("Hold"));
    HoldCmd->setCheckable(true);
    PngCmd = new QPushButton(QStringLiteral("PNG..."));
    PngCmd->setToolTip(QStringLiteral("Save the spectrum as a picture"));
    CsvCmd = new QPushButton(QStringLiteral("CSV..."));
    CsvCmd->setToolTip(QStringLiteral("Save the amplitudes of the shown stages per frequency"));
    for (QWidget* w : std::initializer_list<QWidget*>{title, WindowCmb, SecondsSpin})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(HoldCmd);
    bar->addWidget(PngCmd);
    bar->addWidget(CsvCmd);
    v->addLayout(bar);
    Plot = new SpectrumPlot;
    Plot->setSpectra(&spectra_);
    v->addWidget(Plot, 1);
    StateLbl = new QLabel;
    StateLbl->setObjectName(QStringLiteral("SpectrumStateLbl"));
    v->addWidget(StateLbl);
    PeaksLbl = new PeakList;
    PeaksLbl->setObjectName(QStringLiteral("SpectrumPeaksLbl"));
    PeaksLbl->setMinimumHeight(4 * fontMetrics().height());
    v->addWidget(PeaksLbl);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(kRefreshMs);
    connect(RefreshTimer, &QTimer::timeout, this, &SpectrumPanel::RefreshTimer_Timer);
    connect(HoldCmd, &QPushButton::clicked, this, &SpectrumPanel::HoldCmd_Click);
    connect(PngCmd, &QPushButton::clicked, this, &SpectrumPanel::PngCmd_Click);
    connect(CsvCmd, &QPushButton::clicked, this, &SpectrumPanel::CsvCmd_Click);
    connect(SecondsSpin, &QSpinBox::valueChanged, this,
            [this](int seconds) { feed_.setSeconds(seconds); });
    connect(WindowCmb, &QComboBox::currentIndexChanged, this, &SpectrumPanel::RefreshTimer_Timer);
}

void SpectrumPanel::start()
{
    feed_.begin(SecondsSpin->value());
    RefreshTimer->start();
}

void SpectrumPanel::addSet(const SensorOverviewReading& r)
{
    feed_.add(spectrumInput(r), r.rearms());
}

void SpectrumPanel::RefreshTimer_Timer()
{
    if (HoldCmd->isChecked())
        return;
    const auto window = WindowCmb->currentIndex() == 1 ? SpectrumAnalyser::Window::None
                                                       : SpectrumAnalyser::Window::Hann;
    spectra_.clear();
    for (int s = 0; s < kAdcStages; ++s)
        if (shown_(s))
            spectra_.emplace_back(s, feed_.spectrum(s, window));
    const double rate = feed_.rateHz();
    const double have = rate > 0 ? feed_.sets() / rate : 0;
    StateLbl->setText(
        rate <= 0 ? QStringLiteral("The chip does not convert.")
                  : QStringLiteral("%1 sets/s, %2 s of %3 s, resolution %4 Hz")
                            .arg(rate, 0, 'f', 2)
                            .arg(have, 0, 'f', 1)
                            .arg(feed_.seconds())
                            .arg(spectra_.empty() ? 0.0 : spectra_.front().second.resolutionHz, 0,
                                 'f', 3) +
                        (feed_.restarts() > 1 ? QStringLiteral(" (started again after a gap)")
                                              : QString()));
    QString html;
    for (const QString& line : peakLines())
        html += line + QStringLiteral("<br>");
    PeaksLbl->setText(html);
    Plot->update();
}

QStringList SpectrumPanel::peakLines() const
{
    QStringList lines;
    for (const auto& [stage, s] : spectra_) {
        QStringList peaks;
        for (const SpectrumPeak& p : s.peaks)
            peaks << peakText(p, s.rateHz);
        lines << QStringLiteral("<span style='color:%1'><b>Stage %2</b></span> floor %3: %4")
                     .arg(AdcFrm::stageColor(stage).name())
                     .arg(stage)
                     .arg(s.noiseFloor, 0, 'f', 2)
                     .arg(peaks.join(QStringLiteral("; ")));
    }
    return lines;
}

void SpectrumPanel::HoldCmd_Click()
{
    HoldCmd->setText(HoldCmd->isChecked() ? QStringLiteral("Held") : QStringLiteral("Hold"));
    if (!HoldCmd->isChecked())
        RefreshTimer_Timer();
}

QString SpectrumPanel::csvText() const
{
    QString t = QStringLiteral("hz");
    size_t bins = 0;
    double res = 0;
    for (const auto& [stage, s] : spectra_) {
        t += QStringLiteral(",stage %1").arg(stage);
        bins = std::max(bins, s.amplitude.size());
        res = std::max(res, s.resolutionHz);
    }
    t += QStringLiteral("\n");
    for (size_t k = 0; k < bins; ++k) {
        t += QString::number(double(k) * res, 'f', 4);
        for (const auto& [stage, s] : spectra_)
            t += QLatin1Char(',') +
                 (k < s.amplitude.size() ? QString::number(s.amplitude[k], 'f', 3) : QString());
        t += QStringLiteral("\n");
    }
    return t;
}

bool SpectrumPanel::savePng(const QString& path, QString* error)
{
    QByteArray png;
    QBuffer buffer(&png);
    return grab().save(&buffer, "PNG") && writeWholeFile(path, png, error);
}

void SpectrumPanel::PngCmd_Click()
{
    askAndSaveChart(true, [this](const QString& path, QString* why) { return savePng(path, why); });
}

void SpectrumPanel::CsvCmd_Click()
{
    askAndSaveChart(false, [this](const QString& path, QString* why) {
        return writeWholeFile(path, csvText().toUtf8(), why);
    });
}

} // namespace cv
