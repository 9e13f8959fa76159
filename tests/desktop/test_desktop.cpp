// The real cv5320-eval under a real X server (Xvfb, 1920x1080) and window
// manager (openbox), at scale 1 and 2: driven through its test hook and
// xdotool, window frames read from the X server, pixels from screenshots.
// Each test starts and stops its own X session; every wait is bounded.
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

QProcessEnvironment withEnv(std::initializer_list<std::pair<const char*, QString>> vars)
{
    auto env = QProcessEnvironment::systemEnvironment();
    for (const auto& [k, v] : vars)
        env.insert(QString::fromLatin1(k), v);
    // In sanitizer builds: libxkbcommon-x11 reads past a string it duplicates
    // with strndup, and the X libraries keep what they allocate; neither is
    // the program's own.
    if (env.contains(QStringLiteral("ASAN_OPTIONS")))
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) +
                       QStringLiteral(":intercept_strndup=0:detect_leaks=0"));
    return env;
}

// Runs an X client to its end (10 s at most) and returns what it printed.
QString xrun(const QString& display, const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessEnvironment(withEnv({{"DISPLAY", display}}));
    p.start(program, args);
    if (!p.waitForFinished(10000))
        p.kill();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Polls `done` every 100 ms for at most `ms`.
template <class F> bool waitUntil(F done, int ms = 6000)
{
    QElapsedTimer t;
    t.start();
    for (; !done(); QThread::msleep(100))
        if (t.elapsed() > ms)
            return false;
    return true;
}

// Xvfb on a free display (it writes the number it took) and openbox on it.
struct XSession {
    QProcess xvfb, wm;
    QString display;
    bool ready = false;
    XSession()
    {
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        if (!waitUntil([&] { return xvfb.waitForReadyRead(50) || xvfb.canReadLine(); }))
            return;
        display = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
        wm.setProcessEnvironment(withEnv({{"DISPLAY", display}}));
        wm.start("openbox", {"--sm-disable"});
        ready = waitUntil([&] {
            return xrun(display, "xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"})
                .contains("window id");
        });
    }
    ~XSession()
    {
        for (QProcess* p : {&wm, &xvfb}) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
        }
    }
};

struct Window {
    QString name, xid;
    QRect frame, client; // from the X server: with the window manager's frame, and without
};
struct Control {
    QString window, name;
    QRect rect;
};
struct Chart {
    QRect plot;
    bool fits = false;
    QString span;
};

// cv5320-eval on the simulated board, with its test hook.
class Program {
public:
    Program(const XSession& x, int scale) : x_(x)
    {
        p_.setProcessEnvironment(withEnv({{"DISPLAY", x.display},
                                          {"QT_QPA_PLATFORM", "xcb"},
                                          {"QT_SCALE_FACTOR", QString::number(scale)},
                                          {"CV_TEST_HOOK", "1"}}));
        p_.start(CV_BIN_DIR "/cv5320-eval", {"--board", "sim", "--scenario", "none"});
        started_ = waitForWindow("CV5320TopLevelFrm");
    }
    ~Program()
    {
        p_.kill();
        p_.waitForFinished(3000);
    }
    bool started() const { return started_; }
    // The hook's answer lines before its "ok"; none on an error.
    QStringList ask(const QString& command)
    {
        p_.write((command + "\n").toUtf8());
        QStringList lines;
        QElapsedTimer t;
        for (t.start(); t.elapsed() < 8000; p_.waitForReadyRead(100))
            while (p_.canReadLine()) {
                const QString l = QString::fromUtf8(p_.readLine()).trimmed();
                if (l == "ok" || l.startsWith("error"))
                    return l == "ok" ? lines : QStringList();
                lines << l;
            }
        ADD_FAILURE() << "no answer to " << command.toStdString();
        return {};
    }
    QList<Window> windows()
    {
        QList<Window> out;
        for (const QString& l : ask("windows")) {
            const QString xid = l.section(' ', 2, 2);
            const QString info = xrun(x_.display, "xwininfo", {"-id", xid});
            auto field = [&](const char* key) {
                return QRegularExpression(QString(key) + ":\\s+(-?\\d+)")
                    .match(info)
                    .captured(1)
                    .toInt();
            };
            const QRect client(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                               field("Width"), field("Height"));
            const auto m =
                QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)")
                    .match(xrun(x_.display, "xprop", {"-id", xid, "_NET_FRAME_EXTENTS"}));
            const QRect frame = client.adjusted(-m.captured(1).toInt(), -m.captured(3).toInt(),
                                                m.captured(2).toInt(), m.captured(4).toInt());
            out.append({l.section(' ', 1, 1), xid, frame, client});
        }
        return out;
    }
    std::optional<Window> window(const QString& name)
    {
        for (const Window& w : windows())
            if (w.name == name)
                return w;
        return std::nullopt;
    }
    bool waitForWindow(const QString& name)
    {
        return waitUntil([&] { return window(name).has_value(); });
    }
    QList<Control> controls()
    {
        QList<Control> out;
        for (const QString& l : ask("controls")) {
            const QStringList f = l.split(' ');
            out.append({f.value(1), f.value(2),
                        QRect(f.value(3).toInt(), f.value(4).toInt(), f.value(5).toInt(),
                              f.value(6).toInt())});
        }
        return out;
    }
    // The first chart of the newest window that has one.
    Chart chart()
    {
        const QStringList f = ask("charts").value(0).split(' ');
        return {
            QRect(f.value(3).toInt(), f.value(4).toInt(), f.value(5).toInt(), f.value(6).toInt()),
            f.value(7) == "fits", QStringList(f.mid(8)).join(' ')};
    }
    QImage screenshot() const
    {
        QTemporaryDir dir;
        xrun(x_.display, "import", {"-window", "root", dir.filePath("root.png")});
        return QImage(dir.filePath("root.png")).convertToFormat(QImage::Format_RGB32);
    }
    void xdotool(const QStringList& args) const { xrun(x_.display, "xdotool", args); }

private:
    const XSession& x_;
    QProcess p_;
    bool started_ = false;
};

// Pixels within `tolerance` of `ink` inside `area`.
int inkPixels(const QImage& image, const QRect& area, QRgb ink, int tolerance = 24)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            n += std::max({std::abs(qRed(c) - qRed(ink)), std::abs(qGreen(c) - qGreen(ink)),
                           std::abs(qBlue(c) - qBlue(ink))}) <= tolerance;
        }
    return n;
}

// What is wrong with where the Virtual Sensor Board is, or empty: on the
// screen, it covers no other window; docked in a window, no window opened
// after that one covers it, nor does another control of that window.
QString boardTrouble(Program& app)
{
    const QString own = "VirtualSensorBoardFrm";
    const QList<Control> controls = app.controls();
    QString host = own;
    QRect board;
    for (const Control& c : controls)
        if (c.name.startsWith("KeyCmd_") || c.name == "SliderStrip") {
            host = c.window;
            board |= c.rect;
        }
    if (board.isEmpty())
        return "the board shows no keys";
    const QList<Window> wins = app.windows();
    for (const Window& w : wins)
        if (w.name == own && !QRect(0, 0, 1920, 1080).contains(board = w.frame))
            return "the board is off the screen";
    bool later = host == own;
    for (const Window& w : wins) {
        if (w.name == host)
            later = true;
        else if (later && w.frame.intersects(board))
            return "the board covers " + w.name;
    }
    for (const Control& c : controls)
        if (host != own && c.window == host && !board.contains(c.rect) && c.rect.intersects(board))
            return "the docked board covers " + c.name;
    return {};
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x_.ready) << "Xvfb and openbox did not start (scripts/setup.sh installs them)";
    }
    XSession x_;
};

} // namespace

TEST_F(Desktop, VirtualSensorBoardCoversNoWindowAndTakesThePress)
{
    const std::pair<const char*, const char*> steps[] = {
        // a hook command, and the window it opens or uncovers
        {"", "CV5320TopLevelFrm"},           {"click CmdBlockDiagram", "DiagramFrm"},
        {"click AdcCmd", "AdcFrm"},          {"close", "DiagramFrm"},
        {"close", "CV5320TopLevelFrm"},      {"click CmdOverview", "SensorOverviewFrm"},
        {"click 4. Save...", "QFileDialog"}, {"close", "QMessageBox"},
        {"close", "SensorOverviewFrm"},
    };
    for (int scale : {2, 1}) {
        Program app(x_, scale);
        ASSERT_TRUE(app.started());
        for (const auto& [command, opens] : steps) {
            SCOPED_TRACE(QString("scale %1, %2").arg(scale).arg(command).toStdString());
            app.ask(command);
            EXPECT_TRUE(app.waitForWindow(opens)) << opens;
            QString trouble;
            waitUntil([&] { return (trouble = boardTrouble(app)).isEmpty(); });
            EXPECT_EQ(trouble.toStdString(), "");
            // The real mouse on slider key 4 (again while the board still
            // settles): the press lands on the board.
            app.ask("lastpress");
            EXPECT_TRUE(waitUntil(
                [&] {
                    for (const Control& c : app.controls())
                        if (c.name == "SliderStrip")
                            app.xdotool({"mousemove",
                                         QString::number(c.rect.x() + c.rect.width() * 9 / 16),
                                         QString::number(c.rect.center().y()), "sleep", "0.2",
                                         "click", "1"});
                    return app.ask("lastpress").value(0).endsWith(" SliderStrip");
                },
                4000));
        }
    }
}

// At scale 2, where drawing to device pixels lets screen and render part.
TEST_F(Desktop, DrawingsOnScreenMatchTheirRender)
{
    QTemporaryDir dir;
    QProcess render;
    render.setProcessEnvironment(withEnv({{"QT_SCALE_FACTOR", "2"}}));
    render.start(CV_BIN_DIR "/cv5320-eval", {"--render", dir.path()});
    ASSERT_TRUE(render.waitForFinished(60000));
    Program app(x_, 2);
    ASSERT_TRUE(app.started());
    const QRgb ink = 0x34495e; // the drawings' lines
    for (const auto& [command, window] :
         {std::pair{"click CmdBlockDiagram", "DiagramFrm"}, {"click MuxStage0", "InputMuxFrm"}}) {
        SCOPED_TRACE(window);
        app.ask(command);
        ASSERT_TRUE(app.waitForWindow(window));
        QThread::msleep(1500); // placed, painted and settled
        const QImage screen = app.screenshot().copy(app.window(window)->client);
        const QImage render =
            QImage(dir.filePath(QString(window) + ".png")).convertToFormat(QImage::Format_RGB32);
        // The top left of both, clear of scroll bars and a docked panel.
        const QRect area(0, 0, std::min(screen.width(), render.width()) - 40,
                         std::min(screen.height(), render.height()) / 2);
        const int drawn = inkPixels(render, area, ink);
        EXPECT_GT(drawn, 200);
        EXPECT_GE(inkPixels(screen, area, ink), drawn * 9 / 10);
        int differ = 0;
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                differ += inkPixels(screen, QRect(x, y, 1, 1), render.pixel(x, y), 48) == 0;
        EXPECT_LT(differ, area.width() * area.height() / 33);
    }
}

TEST_F(Desktop, ReadingLeavesTheWindowAsItWasAndTheSpanReadable)
{
    const std::pair<const char*, const char*> cases[] = {// opened from the block diagram
                                                         {"click AdcCmd", "AdcFrm"},
                                                         {"click RRStage0", "RRTabStageFrm"}};
    Program app(x_, 1);
    ASSERT_TRUE(app.started());
    app.ask("click CmdBlockDiagram");
    ASSERT_TRUE(app.waitForWindow("DiagramFrm"));
    for (const auto& c : cases) {
        const char* const window = c.second; // a plain name the lambdas below can capture
        SCOPED_TRACE(window);
        app.ask(c.first);
        ASSERT_TRUE(app.waitForWindow(window));
        QThread::msleep(1000);
        const QRect plot = app.chart().plot;
        const QRect bar(plot.left(), plot.top() - 40, plot.width(), 40);
        EXPECT_EQ(inkPixels(app.screenshot(), bar, 0xc62828, 16), 0) << "an alarm before reading";
        const QSize before = app.window(window)->frame.size();
        app.ask("click ReadContCV5310Cmd");
        QThread::msleep(2500);
        EXPECT_EQ(app.window(window)->frame.size(), before);
        // Ctrl+wheel zooms the time axis out, to spans of minutes.
        app.xdotool({"mousemove", QString::number(plot.center().x()),
                     QString::number(plot.center().y()), "sleep", "0.2", "keydown", "ctrl", "click",
                     "--repeat", "12", "5", "keyup", "ctrl"});
        QThread::msleep(500);
        const Chart chart = app.chart();
        EXPECT_TRUE(chart.fits);
        EXPECT_TRUE(QRegularExpression("^(\\d\\.?\\d?|\\d+) s$|^\\d+ min( \\d+ s)?$")
                        .match(chart.span)
                        .hasMatch())
            << chart.span.toStdString();
        app.ask("close");
        EXPECT_TRUE(waitUntil([&] { return !app.window(window); }));
    }
}
