#include "app/TestHook.h"

#include "widgets/StripChart.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTabBar>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <unistd.h>

namespace cv {

namespace {

QString nameOf(const QObject* o)
{
    return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                     : o->objectName();
}

// Device pixels, as the X server counts them.
QRect devicePixels(const QWidget* w, const QRect& logical)
{
    const qreal r = w->devicePixelRatioF();
    return QRect(qRound(logical.x() * r), qRound(logical.y() * r), qRound(logical.width() * r),
                 qRound(logical.height() * r));
}

QString rectText(const QRect& r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || w->property("cvControl").toBool();
}

class Hook : public QObject {
public:
    explicit Hook(QObject* app) : QObject(app), notifier_(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&notifier_, &QSocketNotifier::activated, this, &Hook::readLine);
        app->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            lastPress_ = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            shown_.removeAll(static_cast<QWidget*>(watched));
            shown_.append(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    QList<QWidget*> windows()
    {
        QList<QWidget*> out;
        for (const QPointer<QWidget>& w : shown_)
            if (w && w->isVisible() &&
                (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
                out.append(w);
        return out;
    }

    void readLine()
    {
        char buf[512];
        ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            notifier_.setEnabled(false);
            return;
        }
        pending_ += QByteArray(buf, int(n));
        int at;
        while ((at = pending_.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending_.left(at)).trimmed();
            pending_.remove(0, at + 1);
            run(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        }
    }

    void say(const QString& s) { std::printf("%s\n", s.toUtf8().constData()); }

    void run(const QStringList& cmd)
    {
        const QString verb = cmd.value(0);
        const QList<QWidget*> wins = windows();
        if (verb == QLatin1String("windows")) {
            for (QWidget* w : wins)
                say(QStringLiteral("window %1 %2 %3")
                        .arg(nameOf(w))
                        .arg(w->winId())
                        .arg(rectText(devicePixels(w, w->frameGeometry()))));
        } else if (verb == QLatin1String("controls")) {
            for (QWidget* w : wins)
                for (QWidget* c : w->findChildren<QWidget*>()) {
                    if (!isControl(c) || !c->isVisibleTo(w) || c->window() != w)
                        continue;
                    const QRect seen = c->visibleRegion().boundingRect();
                    if (seen.isEmpty())
                        continue;
                    say(QStringLiteral("control %1 %2 %3")
                            .arg(nameOf(w), nameOf(c))
                            .arg(rectText(devicePixels(
                                c, QRect(c->mapToGlobal(seen.topLeft()), seen.size())))));
                }
        } else if (verb == QLatin1String("click") && cmd.size() >= 2) {
            // By name, or by its text without the shortcut mark.
            const QString which = QStringList(cmd.mid(1)).join(QLatin1Char(' '));
            QAbstractButton* b = nullptr;
            for (int i = int(wins.size()) - 1; i >= 0 && !b; --i)
                for (QAbstractButton* c : wins[i]->findChildren<QAbstractButton*>())
                    if ((c->objectName() == which || c->text().remove(QLatin1Char('&')) == which) &&
                        c->isVisibleTo(wins[i]) && c->isEnabled() && c->window() == wins[i])
                        b = c;
            if (!b) {
                say(QStringLiteral("error no button ") + which);
                std::fflush(stdout);
                return;
            }
            // After the answer: the press may open a modal window.
            QTimer::singleShot(0, b, &QAbstractButton::click);
        } else if (verb == QLatin1String("close")) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                say(QStringLiteral("error no modal window"));
                std::fflush(stdout);
                return;
            }
            QTimer::singleShot(0, modal, [modal] {
                if (auto* d = qobject_cast<QDialog*>(modal))
                    d->reject();
                else
                    modal->close();
            });
        } else if (verb == QLatin1String("lastpress")) {
            if (lastPress_)
                say(QStringLiteral("press %1 %2")
                        .arg(nameOf(lastPress_->window()), nameOf(lastPress_)));
            lastPress_ = nullptr; // each press is told once
        } else if (verb == QLatin1String("charts")) {
            for (QWidget* w : wins)
                for (StripChart* c : w->findChildren<StripChart*>()) {
                    if (!c->isVisibleTo(w))
                        continue;
                    auto* span = c->findChild<QComboBox*>(QStringLiteral("ChartSpan"));
                    const QRect plot = c->plotRect(0);
                    const bool fits = !span || span->width() >= span->sizeHint().width();
                    say(QStringLiteral("chart %1 %2 %3 %4 %5")
                            .arg(nameOf(w), nameOf(c))
                            .arg(rectText(devicePixels(
                                c, QRect(c->mapToGlobal(plot.topLeft()), plot.size()))))
                            .arg(fits ? QStringLiteral("fits") : QStringLiteral("clipped"))
                            .arg(span ? span->currentText() : QString()));
                }
        } else {
            say(QStringLiteral("error unknown command"));
            std::fflush(stdout);
            return;
        }
        say(QStringLiteral("ok"));
        std::fflush(stdout);
    }

    QSocketNotifier notifier_;
    QByteArray pending_;
    QList<QPointer<QWidget>> shown_;
    QPointer<QWidget> lastPress_;
};

} // namespace

void startTestHook(QObject* application)
{
    if (qEnvironmentVariableIntValue("CV_TEST_HOOK") == 1)
        new Hook(application);
}

} // namespace cv
