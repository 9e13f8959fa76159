// usbfs-board: puts an emulated FX2 board on a mock USB bus and runs a
// command against it through the real libusb, as it would run against a
// board on the desk. A test tool: built beside the programs, not installed.

#include "sim/usbfs/UsbfsBus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace cv;

namespace {

const char* const kUsage =
    "usage: usbfs-board [--blank] [--port BUS-PORT] [--fail FAULT] -- COMMAND [ARGS...]\n"
    "Runs COMMAND with an emulated CV5320 board on a mock USB bus that libusb sees\n"
    "as real; exits with COMMAND's status. COMMAND is looked up beside usbfs-board\n"
    "first, then on PATH.\n"
    "  --blank          an unprogrammed FX2 (04B4:8613) instead of the board\n"
    "  --port BUS-PORT  where the board sits (default 1-2)\n"
    "  --fail stall:N   the N-th request to the board's firmware is refused (stall)\n"
    "  --fail timeout:N the N-th request is left unanswered\n"
    "  --fail unplug:MS the board is pulled MS ms after the first request\n"
    "  --fail busy      claiming the board fails: another program holds it\n"
    "  --fail noperm    the board's device node cannot be opened (no permission)\n"
    "The firmware's requests are counted from the library's check after the download.\n";

int usage(const char* error)
{
    std::fprintf(stderr, "usbfs-board: %s\n%s", error, kUsage);
    return 2;
}

// A program name without a folder: beside this tool first, then on PATH.
QString resolveProgram(const QString& name)
{
    if (name.contains(QLatin1Char('/')))
        return name;
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(name);
}

} // namespace

int main(int argc, char** argv)
{
    sim::reexecUnderUsbfsPreload(argv);
    if (!sim::underUsbfsPreload()) {
        std::fprintf(stderr,
                     "usbfs-board: umockdev's preload library (%s) cannot be loaded; "
                     "install umockdev (scripts/setup.sh does)\n",
                     qPrintable(sim::usbfsPreloadLibrary()));
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    sim::Fx2DeviceConfig board;
    sim::UsbfsFailure failure;
    int i = 0;
    for (; i < args.size() && args[i] != QLatin1String("--"); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QLatin1String("--blank")) {
            board.blank = true;
        } else if (a == QLatin1String("--port") && i + 1 < args.size()) {
            static const QRegularExpression port(QStringLiteral("^([0-9]{1,3})-([0-9]{1,3})$"));
            const auto m = port.match(args[++i]);
            if (!m.hasMatch() || m.captured(1).toInt() < 1 || m.captured(1).toInt() > 127 ||
                m.captured(2).toInt() < 1)
                // A port behind a hub would need the hub on the bus too.
                return usage("--port takes BUS-PORT on a root hub, e.g. 1-2 or 3-4");
            board.bus = static_cast<uint8_t>(m.captured(1).toInt());
            board.ports = m.captured(2);
        } else if (a == QLatin1String("--fail") && i + 1 < args.size()) {
            const auto f = sim::parseUsbfsFailure(args[++i]);
            if (!f)
                return usage("--fail takes stall:N, timeout:N, unplug:MS, busy or noperm");
            failure = *f;
        } else {
            return usage(qPrintable(QStringLiteral("unknown option \"%1\"").arg(a)));
        }
    }
    if (i + 1 >= args.size())
        return usage("no command after --");
    const QString program = resolveProgram(args[i + 1]);
    if (program.isEmpty())
        return usage(qPrintable(QStringLiteral("command \"%1\" not found").arg(args[i + 1])));

    board.fault = failure.fault;
    if (failure.busy)
        board.claimError = UsbBusy;
    sim::UsbfsBus bus;
    if (failure.noPermission)
        bus.restrictDeviceNodes();
    bus.plug(board);

    // Everything the child needs is made before fork: the bus's threads keep
    // running here, and the child only swaps its identity and executes.
    std::vector<QByteArray> env;
    QStringList extra = bus.childEnvironment();
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray key = entry.left(entry.indexOf('=') + 1);
        if (key != "LD_PRELOAD=" && key != "UMOCKDEV_DIR=" && key != "CV_USBFS_REEXEC=")
            env.push_back(entry);
    }
    for (const QString& e : extra)
        env.push_back(e.toLocal8Bit());
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<QByteArray> argBytes = {program.toLocal8Bit()};
    for (int k = i + 2; k < args.size(); ++k)
        argBytes.push_back(args[k].toLocal8Bit());
    std::vector<char*> argvp;
    for (auto& a : argBytes)
        argvp.push_back(a.data());
    argvp.push_back(nullptr);
    // Root opens any file: the child then runs as nobody, so that the node's
    // mode refuses it as it refuses a user without the udev rule.
    const bool dropToNobody = failure.noPermission && geteuid() == 0;

    // The terminal's Ctrl-C reaches the child; this process waits for it.
    signal(SIGINT, SIG_IGN);
    const pid_t child = fork();
    if (child < 0) {
        std::perror("usbfs-board: fork");
        return 2;
    }
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        if (dropToNobody &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
        execve(argvp[0], argvp.data(), envp.data());
        static const char failed[] = "usbfs-board: the command cannot be run\n";
        (void)!write(STDERR_FILENO, failed, sizeof failed - 1);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
