// cv5320-eval: the evaluation program.

#include "app/AppOptions.h"
#include "app/RenderWindows.h"
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "platform/OpenFiles.h"
#include "platform/ui/QtServices.h"
#include "shell/BoardSession.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "sim/ui/VirtualSensorBoardFrm.h"

#include <QApplication>
#include <cstdio>

using namespace cv;

namespace {
const char* const kUsage =
    "usage: cv5320-eval [--board sim|sim:N|usb|usb:BUS-PORT|fx2-emu] [--usb-log FILE]\n"
    "                   [--scenario FILE|none] [--sim-fault request=N|after=MS] [--render DIR]\n"
    "       cv5320-eval --help | --version\n";

const char* const kHelp =
    "The CV5320 evaluation program: brings the evaluation board up, downloads the\n"
    "protocol firmware and opens the main window.\n"
    "\n"
    "  --board sim|sim:N     the simulated board (N: sensor board 1, 58 or 70)\n"
    "  --board usb           a real board on USB (the default when one is connected)\n"
    "  --board usb:BUS-PORT  the device at that USB port, also an unprogrammed FX2\n"
    "  --board fx2-emu       the real board's USB path over an emulated FX2\n"
    "  --usb-log FILE        one line per USB request\n"
    "  --scenario FILE|none  the simulated finger\n"
    "  --sim-fault request=N|after=MS\n"
    "                        the simulated board fails its N-th request, or every\n"
    "                        request after MS milliseconds (rehearses a failing board)\n"
    "  --render DIR          one PNG per window into DIR, then end\n";
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
    if (hasFlag(args, {"--help", "-h"})) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (hasFlag(args, {"--version"})) {
        std::printf("cv5320-eval %s\n", CV_VERSION);
        return 0;
    }
    QString renderDir;
    const int renderAt = static_cast<int>(args.indexOf(QStringLiteral("--render")));
    if (renderAt >= 0) {
        if (renderAt + 1 >= args.size()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        renderDir = args[renderAt + 1];
        args.remove(renderAt, 2);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    BoardOptions options;
    if (!takeBoardOptions(args, options, &error) || !args.isEmpty()) {
        std::fprintf(stderr, "%s\n%s",
                     error.isEmpty() ? "unknown arguments" : error.toLocal8Bit().constData(),
                     kUsage);
        return 2;
    }
    if (!renderDir.isEmpty() && options.board.isEmpty())
        options.board = QStringLiteral("sim");

    QApplication app(argc, argv);
    const QString appFolder = QCoreApplication::applicationDirPath();

    if (!renderDir.isEmpty()) {
        // Rendering runs headless on virtual time: no dialog waits for anyone.
        static CliServices headless(true);
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
    auto session = BoardSession::create(options, qtServices.clock(), &error);
    if (!session) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    CV5320TopLevelFrm top(session->access(), appFolder, session->description());
    top.Form_Load();
    top.show();
    // On the simulated board its sensor board opens beside the main window.
    std::unique_ptr<sim::VirtualSensorBoardFrm> sensorBoard;
    if (sim::SimBoard* board = session->simulatedBoard()) {
        sensorBoard = std::make_unique<sim::VirtualSensorBoardFrm>(*board);
        sensorBoard->Form_Load();
        sensorBoard->move(top.frameGeometry().right() + 12, top.y());
        sensorBoard->show();
    }
    return exitStatus(app.exec());
}
