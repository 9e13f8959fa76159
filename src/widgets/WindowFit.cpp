#include "widgets/WindowFit.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace cv {

Anchors::Anchors(QWidget* host) : QObject(host), host_(host), design_(host->size())
{
    host->setMinimumSize(design_);
    host->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    host->installEventFilter(this);
}

void Anchors::add(QWidget* w, int edges)
{
    items_.push_back({w, edges, w->geometry()});
}

void Anchors::rehost(QWidget* host)
{
    host_->removeEventFilter(this);
    host_ = host;
    host_->installEventFilter(this);
    apply();
}

void Anchors::apply()
{
    const int dw = std::max(0, host_->width() - design_.width());
    const int dh = std::max(0, host_->height() - design_.height());
    // Along one axis: stretch between opposite edges, follow the far edge,
    // or stay where it was designed.
    auto place = [](int pos, int len, int grow, bool nearEdge, bool farEdge) {
        if (nearEdge && farEdge)
            return std::pair{pos, len + grow};
        return std::pair{farEdge ? pos + grow : pos, len};
    };
    for (const Item& it : items_) {
        const auto [x, w] =
            place(it.design.x(), it.design.width(), dw, it.edges & Left, it.edges & Right);
        const auto [y, h] =
            place(it.design.y(), it.design.height(), dh, it.edges & Top, it.edges & Bottom);
        it.w->setGeometry(x, y, w, h);
    }
}

bool Anchors::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_ && event->type() == QEvent::Resize)
        apply();
    return false;
}

void keepWindowSize(QLabel* status)
{
    status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status->setMinimumHeight(status->fontMetrics().height() + 2);
}

QScrollArea* fitToScreen(QWidget* window, const QRect& available)
{
    // Room for the title bar and the frame, which the window manager adds.
    constexpr int kFrameW = 16, kFrameH = 48;
    const QSize design = window->size().expandedTo(window->minimumSize());
    const QSize room(available.width() - kFrameW, available.height() - kFrameH);
    if (design.width() <= room.width() && design.height() <= room.height())
        return nullptr;
    QScrollArea* area = wrapInScrollArea(window);
    window->resize(design.boundedTo(room));
    window->move(available.topLeft());
    return area;
}

QScrollArea* wrapInScrollArea(QWidget* window)
{
    if (auto* area = window->findChild<QScrollArea*>(QStringLiteral("ScreenFitArea"),
                                                     Qt::FindDirectChildrenOnly))
        return area;
    const QSize design = window->size().expandedTo(window->minimumSize());
    auto* contents = new QWidget;
    contents->setObjectName(QStringLiteral("ScreenFitContents"));
    // A layout moves with its widgets; placed controls keep their geometry.
    if (QLayout* l = window->layout())
        contents->setLayout(l);
    const QObjectList children = window->children();
    for (QObject* o : children) {
        auto* c = qobject_cast<QWidget*>(o);
        if (!c || c->isWindow() || c == contents)
            continue;
        const bool shown = !c->isHidden();
        const QRect g = c->geometry();
        c->setParent(contents);
        c->setGeometry(g);
        c->setVisible(shown);
    }
    const bool fixed = window->minimumSize() == window->maximumSize();
    contents->setMinimumSize(design);
    if (fixed)
        contents->setMaximumSize(design);
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    auto* area = new QScrollArea(window);
    area->setObjectName(QStringLiteral("ScreenFitArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(contents);
    auto* lay = new QVBoxLayout(window);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(area, 1);
    // The window may already be on its way to the screen: show the new parts
    // now, not on a later turn of the event loop, so its first picture has them.
    area->show();

    if (auto* a = window->findChild<Anchors*>(QString(), Qt::FindDirectChildrenOnly))
        a->rehost(contents);
    return area;
}

namespace {
class ScreenFit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(watched);
        const Qt::WindowType type = w->windowType();
        if (!w->isWindow() || (type != Qt::Window && type != Qt::Dialog) ||
            w->property("cvScreenFitted").toBool())
            return false;
        w->setProperty("cvScreenFitted", true);
        if (QScreen* s = w->screen())
            fitToScreen(w, s->availableGeometry());
        return false;
    }
};
} // namespace

void installScreenFit(QObject* application)
{
    application->installEventFilter(new ScreenFit(application));
}

} // namespace cv
