// cv5320-eval: the evaluation program.

#include "app/AppOptions.h"
#include "app/HelpTexts.h"
#include "app/RenderWindows.h"
#include "app/TestHook.h"
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "platform/OpenFiles.h"
#include "platform/ui/QtServices.h"
#include "shell/BoardSession.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "sim/ui/VirtualSensorBoardFrm.h"
#include "widgets/WindowFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

using namespace cv;

namespace {
const char* const kUsage =
    "usage: cv5320-eval [--board sim|sim:N|usb|usb:BUS-PORT|fx2-emu] [--usb-log FILE]\n"
    "                   [--scenario FILE|none] [--sim-fault request=N|after=MS] [--render DIR]\n"
    "                   [--click BUTTON,...]\n"
    "       cv5320-eval --help | --version\n";

const char* const kHelp =
    "The CV5320 evaluation program: brings the evaluation board up, downloads the\n"
    "protocol firmware and opens the main window.\n"
    "\n" CV_BOARD_OPTIONS_HELP "  --render DIR          one PNG per window into DIR, then end\n"
    "  --click BUTTON,...    presses the buttons of these object names one after\n"
    "                        another, 1.5 s apart (unattended runs, the soak)\n";
// Ctrl+Shift+B from any window: runs `action` and swallows the key.
class ReopenKey : public QObject {
public:
    explicit ReopenKey(std::function<void()> action) : action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_B &&
                k->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
                if (!k->isAutoRepeat())
                    action_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

// Presses the buttons named, one every 1.5 s, in the modal window open then
// or else in any shown window; a button not there yet is tried again.
void clickInTurn(QStringList names, int tries = 10)
{
    if (names.isEmpty())
        return;
    QTimer::singleShot(1500, qApp, [names, tries]() mutable {
        const QString name = names.first();
        QWidget* modal = QApplication::activeModalWidget();
        for (QWidget* w : modal ? QWidgetList{modal} : QApplication::topLevelWidgets()) {
            auto* b = w->isVisible() ? w->findChild<QAbstractButton*>(name) : nullptr;
            if (b && b->isVisible() && b->isEnabled()) {
                names.removeFirst();
                // Scheduled first: a button may open a modal window and
                // return only when it closes.
                clickInTurn(names);
                b->click();
                return;
            }
        }
        if (tries > 1)
            clickInTurn(names, tries - 1);
        else
            std::fprintf(stderr, "--click: no button \"%s\" in the open windows\n",
                         name.toLocal8Bit().constData());
    });
}
} // namespace

int main(int argc, char** argv)
{
    prepareOutput();
    QStringList args;
    QString error;
    if (!programArguments(argc, argv, args, &error)) {
        std::fprintf(stderr, "%s\n%s", error.toLocal8Bit().constData(), kUsage);
        return 2;
    }
    // Help and version to an output that cannot take them is a failure.
    if (hasFlag(args, {"--help", "-h"})) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        std::fputs(kEvalHelpMore, stdout);
        return flushStandardOutput() ? 0 : 1;
    }
    if (hasFlag(args, {"--version"})) {
        std::printf("cv5320-eval %s\n", CV_VERSION);
        return flushStandardOutput() ? 0 : 1;
    }
    QString renderDir, clicks;
    BoardOptions options;
    if (!takeBoardOptions(args, options, &error, &renderDir) ||
        !takeValueOptions(args, {{"--click", &clicks}}, &error) || !args.isEmpty()) {
        std::fprintf(stderr, "%s\n%s",
                     error.isEmpty() ? "unknown arguments" : error.toLocal8Bit().constData(),
                     kUsage);
        return 2;
    }
    if (!renderDir.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!renderDir.isEmpty() && options.board.isEmpty())
        options.board = QStringLiteral("sim");

    QApplication app(argc, argv);
    const QString appFolder = QCoreApplication::applicationDirPath();

    if (!renderDir.isEmpty()) {
        // Rendering runs headless on virtual time: no dialog waits for anyone.
        // A board on the bus keeps its own time, and the pauses are real then.
        const auto choice = parseBoardOption(options.board);
        static CliServices headless(!choice || choice->kind != BoardChoice::Usb);
        setServices(&headless);
        auto session = BoardSession::create(options, headless.clock(), &error);
        if (!session) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 2;
        }
        return exitStatus(
            renderAllWindows(renderDir, session->access(), appFolder, session->description()));
    }

    static QtServices qtServices;
    setServices(&qtServices);
    // Every window larger than the screen opens scrollable at the screen's size.
    installScreenFit(&app);
    startTestHook(&app);
    auto session = BoardSession::create(options, qtServices.clock(), &error);
    if (!session) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    sim::SimBoard* simBoard = session->simulatedBoard();
    CV5320TopLevelFrm top(
        session->access(), appFolder,
        session->description() +
            (simBoard ? QStringLiteral(" (Ctrl+Shift+B: Virtual Sensor Board)") : QString()));
    top.Form_Load();
    top.show();
    // On the simulated board its sensor board opens beside the main window;
    // Ctrl+Shift+B brings it back from any window once it was closed.
    std::unique_ptr<sim::VirtualSensorBoardFrm> sensorBoard;
    std::unique_ptr<ReopenKey> reopen;
    if (simBoard) {
        sensorBoard = std::make_unique<sim::VirtualSensorBoardFrm>(*simBoard);
        sensorBoard->Form_Load();
        sensorBoard->setHomeWindow(&top);
        sensorBoard->show();
        // Beside the main window once the window manager has placed it.
        QTimer::singleShot(300, sensorBoard.get(), [&] { sensorBoard->PlaceBeside(&top, true); });
        // An application-wide key, seen before any window (a modal one
        // included) gets it.
        reopen = std::make_unique<ReopenKey>([&sensorBoard, &top] {
            sensorBoard->show();
            sensorBoard->Timer1_Timer();
            QWidget* modal = QApplication::activeModalWidget();
            sensorBoard->PlaceBeside(modal ? modal : &top);
        });
        app.installEventFilter(reopen.get());
    }
    clickInTurn(clicks.split(QLatin1Char(','), Qt::SkipEmptyParts));
    return exitStatus(app.exec());
}
