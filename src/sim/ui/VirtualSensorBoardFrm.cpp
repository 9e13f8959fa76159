#include "sim/ui/VirtualSensorBoardFrm.h"

#include "sim/SimBoard.h"
#include "widgets/Placement.h"
#include "widgets/Twips.h"
#include "widgets/WindowFit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace cv::sim {

namespace {
// As a window of its own, and as a low panel docked in another.
const QSize kWindowSize(tw(5200), tw(3900)), kPanelSize(tw(7800), tw(2600));
} // namespace

SliderStrip::SliderStrip(QWidget* parent) : QWidget(parent)
{
    setProperty("cvControl", true);
    setMinimumSize(tw(4200), tw(600));
    setCursor(Qt::PointingHandCursor);
}

void SliderStrip::setState(const std::vector<double>& lit, double fingerPos)
{
    lit_ = lit;
    finger_ = fingerPos;
    update();
}

double SliderStrip::positionAt(int x) const
{
    const double seg = width() / 8.0;
    // Segment centres are positions 0 and 255 at the two ends.
    const double p = (x - seg / 2) / (width() - seg) * 255.0;
    return std::clamp(p, 0.0, 255.0);
}

void SliderStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double seg = width() / 8.0;
    for (int i = 0; i < 8; ++i) {
        const QRectF r(i * seg + 2, 2, seg - 4, height() - 4);
        const int shade = static_cast<int>(200 - 140 * std::clamp(lit_[i], 0.0, 1.0));
        p.setBrush(QColor(shade, shade, 255));
        p.setPen(QPen(Qt::darkGray, 1));
        p.drawRoundedRect(r, 4, 4);
        p.setPen(Qt::black);
        p.drawText(r, Qt::AlignCenter, QString::number(i));
    }
    if (finger_ >= 0) {
        const double x = seg / 2 + finger_ / 255.0 * (width() - seg);
        p.setBrush(QColor(230, 120, 60, 170));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(x, height() / 2.0), height() * 0.35, height() * 0.35);
    }
}

void SliderStrip::mousePressEvent(QMouseEvent* e)
{
    if (onFinger)
        onFinger(positionAt(static_cast<int>(e->position().x())));
}

void SliderStrip::mouseMoveEvent(QMouseEvent* e)
{
    if ((e->buttons() & Qt::LeftButton) && onFinger)
        onFinger(positionAt(static_cast<int>(e->position().x())));
}

void SliderStrip::mouseReleaseEvent(QMouseEvent*)
{
    if (onFinger)
        onFinger(-1);
}

void KeyButton::setLit(bool lit)
{
    lit_ = lit;
    setProperty("lit", lit);
    update();
}

void KeyButton::paintEvent(QPaintEvent* e)
{
    QPushButton::paintEvent(e);
    if (!lit_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 140, 255));
    p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 3, 3);
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(rect(), Qt::AlignCenter, text());
}

VirtualSensorBoardFrm::VirtualSensorBoardFrm(SimBoard& board, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowDoesNotAcceptFocus), board_(board)
{
    setObjectName(QStringLiteral("VirtualSensorBoardFrm"));
    setWindowTitle(QStringLiteral("Virtual Sensor Board"));
    // A tool beside the program's windows: typing never goes to it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(kWindowSize);
    const BoardLayout& layout = board_.sensors().board();
    const QStringList names = layout.targetNames();
    keys_.assign(names.size(), nullptr);

    auto* caption = new QLabel(
        QStringLiteral("Sensor board %1: hold a key or drag on the slider").arg(layout.boardId),
        this);
    caption->setObjectName(QStringLiteral("CaptionLbl"));
    caption->setGeometry(tw(240), tw(120), tw(4900), tw(300));

    // The key pad as a cross.
    struct Place {
        int target, left, top;
        const char* text;
    };
    const int cx = tw(1800), cy = tw(1250), step = tw(620), size = tw(560);
    const Place places[] = {{layout.up, cx, cy - step, "Up"},
                            {layout.down, cx, cy + step, "Down"},
                            {layout.left, cx - step, cy, "Left"},
                            {layout.right, cx + step, cy, "Right"},
                            {layout.centreTarget(), cx, cy, "OK"}};
    for (const Place& pl : places) {
        auto* b = new KeyButton(QString::fromLatin1(pl.text), this);
        b->setObjectName(QStringLiteral("KeyCmd_%1").arg(names[pl.target]));
        b->setGeometry(pl.left, pl.top, size, size);
        b->setFocusPolicy(Qt::NoFocus);
        b->setProperty("lit", false);
        const int target = pl.target;
        connect(b, &QPushButton::pressed, this, [this, target] { KeyCmd_Press(target); });
        connect(b, &QPushButton::released, this, [this, target] { KeyCmd_Release(target); });
        keys_[target] = b;
    }
    slider_ = new SliderStrip(this);
    slider_->setObjectName(QStringLiteral("SliderStrip"));
    slider_->onFinger = [this](double pos) { SliderStrip_Finger(pos); };

    stateLbl_ = new QLabel(this);
    stateLbl_->setObjectName(QStringLiteral("StateLbl"));
    ArrangeKeys(false);

    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, &VirtualSensorBoardFrm::Timer1_Timer);
    // Windows come and go in bursts (shown, then placed by the window
    // manager): it moves once they settle.
    placeTimer_.setSingleShot(true);
    placeTimer_.setInterval(120);
    connect(&placeTimer_, &QTimer::timeout, this, [this] { PlaceBeside(Served()); });
    qApp->installEventFilter(this);
}

void VirtualSensorBoardFrm::Form_Load()
{
    Timer1_Timer();
    timer1_.start();
}

void VirtualSensorBoardFrm::KeyCmd_Press(int target)
{
    board_.sensors().setManualTouch(target, true);
}

void VirtualSensorBoardFrm::KeyCmd_Release(int target)
{
    board_.sensors().setManualTouch(target, false);
}

void VirtualSensorBoardFrm::SliderStrip_Finger(double pos)
{
    board_.sensors().setManualSlider(pos);
    Timer1_Timer();
}

void VirtualSensorBoardFrm::Timer1_Timer()
{
    const SensorModel& sensors = board_.sensors();
    const BoardLayout& layout = sensors.board();
    const int64_t ms = board_.scenarioMs();
    const FingerState f = sensors.fingerAt(ms);
    for (size_t t = 0; t < keys_.size(); ++t)
        ShowKey(t, f.touched & (1u << t));
    std::vector<double> lit(8, 0.0);
    for (int i = 0; i < 8; ++i) {
        const int e = layout.slider[i];
        if (f.touched & (1u << e))
            lit[i] = 1.0;
        if (f.sliderPos >= 0)
            lit[i] = std::max(lit[i], 1.0 - std::abs(f.sliderPos / 255.0 * 7.0 - i) / 1.3);
    }
    slider_->setState(lit, f.sliderPos);
    stateLbl_->setText(
        sensors.scenario().empty()
            ? QStringLiteral("No scenario: the finger is yours")
            : QStringLiteral("Scenario at %1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 1));

    // A modal window blocks every other window; by becoming its transient
    // child this one stays usable while a view streams.
    QWindow* handle = windowHandle();
    QWidget* modal = QApplication::activeModalWidget();
    QWindow* want = modal && modal != this ? modal->windowHandle() : nullptr;
    if (handle && isWindow() && isVisible() && handle->transientParent() != want) {
        handle->setTransientParent(want);
        // Shown again, it is judged afresh against the modal window; it
        // comes back where it was, without the focus.
        const QPoint at = pos();
        hide();
        placing_ = true;
        move(at);
        placing_ = false;
        show();
        PlaceBeside(modal && modal != this ? modal : home_);
    }
}

void VirtualSensorBoardFrm::ShowKey(size_t target, bool touched)
{
    KeyButton* key = keys_[target];
    if (key && key->lit() != touched)
        key->setLit(touched);
}

QWidget* VirtualSensorBoardFrm::Served() const
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this)
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && active != this &&
        (active->windowType() == Qt::Window || active->windowType() == Qt::Dialog))
        return active;
    return home_;
}

void VirtualSensorBoardFrm::PlaceBeside(QWidget* served, bool dock)
{
    if (dock)
        userPlaced_ = false;
    if (!(isVisible() || dockedIn_ || reshow_) || !served || served == this || !served->isVisible())
        return;
    if (isWindow() && isVisible() && frameGeometry().size() != size())
        frameExtra_ = frameGeometry().size() - size();
    const QSize mine = (dockedIn_ ? kWindowSize : size()) + frameExtra_;
    const QScreen* screen = served->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect();
    std::vector<QRect> taken;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() &&
            (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
            taken.push_back(w->frameGeometry());
    if (userPlaced_ && !dockedIn_) {
        const QRect at(userPos_, mine);
        if ((avail.isEmpty() || avail.contains(at)) && !coversAny(at, taken))
            return MoveTo(userPos_);
    }
    if (avail.isEmpty())
        return;
    // A window it is docked in is measured as it was before.
    if (dockedIn_) {
        const QRect grown = dockedIn_->frameGeometry();
        for (QRect& r : taken)
            if (r == grown)
                r.setSize(servedSize_ + (grown.size() - dockedIn_->size()));
    }
    const QRect beside = served->frameGeometry();
    if (const auto spot = freeSpotBeside(beside, mine, taken, avail)) {
        Undock();
        return MoveTo(*spot);
    }
    DockInto(served);
}

void VirtualSensorBoardFrm::MoveTo(const QPoint& at)
{
    placedAt_ = at;
    placing_ = true;
    if (pos() != at)
        move(at);
    if (reshow_)
        show();
    reshow_ = false;
    placing_ = false;
}

void VirtualSensorBoardFrm::ArrangeKeys(bool docked)
{
    slider_->setGeometry(docked ? tw(3300) : tw(240), docked ? tw(1100) : tw(2650), tw(4200),
                         tw(600));
    stateLbl_->setGeometry(docked ? tw(3300) : tw(240), docked ? tw(1850) : tw(3350), tw(4400),
                           tw(300));
}

void VirtualSensorBoardFrm::DockInto(QWidget* served)
{
    if (dockedIn_ == served)
        return;
    Undock();
    wrapInScrollArea(served);
    auto* box = qobject_cast<QBoxLayout*>(served->layout());
    if (!box)
        return;
    servedSize_ = served->size();
    ArrangeKeys(true);
    const QSize panel = kPanelSize;
    placing_ = true;
    setParent(served, Qt::Widget);
    setFixedHeight(panel.height());
    setMinimumWidth(panel.width());
    box->addWidget(this);
    placing_ = false;
    dockedIn_ = served;
    reshow_ = false;
    // The window grows by the panel where the screen has room; its contents
    // scroll in what is left.
    const QRect avail = served->screen()->availableGeometry();
    const QSize frame = served->frameGeometry().size() - served->size();
    const QSize want =
        QSize(std::max(served->width(), panel.width()), served->height() + panel.height())
            .boundedTo(avail.size() - frame);
    served->resize(want);
    const QRect f(served->frameGeometry().topLeft(), want + frame);
    served->move(std::clamp(f.left(), avail.left(), avail.right() + 1 - f.width()),
                 std::clamp(f.top(), avail.top(), avail.bottom() + 1 - f.height()));
    show();
}

void VirtualSensorBoardFrm::Undock()
{
    QWidget* served = dockedIn_;
    if (!served)
        return;
    dockedIn_ = nullptr;
    served->layout()->removeWidget(this);
    placing_ = true;
    setParent(nullptr, Qt::Window | Qt::WindowDoesNotAcceptFocus);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    ArrangeKeys(false);
    resize(kWindowSize);
    placing_ = false;
    if (served->isVisible())
        served->resize(servedSize_);
    // Shown again once it has a place.
    reshow_ = true;
}

bool VirtualSensorBoardFrm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if ((t == QEvent::Show || t == QEvent::Hide || t == QEvent::Move || t == QEvent::Resize ||
         t == QEvent::WindowActivate) &&
        watched != this && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)) {
            // A window closing with the panel in it gives it back first.
            if (t == QEvent::Hide && w == dockedIn_)
                Undock();
            placeTimer_.start();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void VirtualSensorBoardFrm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Only a move by the user (or the window manager on the user's behalf) is
    // remembered.
    if (!placing_ && isWindow() && isVisible() && frameGeometry().topLeft() != placedAt_) {
        userPos_ = frameGeometry().topLeft();
        userPlaced_ = true;
    }
}

} // namespace cv::sim
