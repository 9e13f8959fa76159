// The real cv5320-eval under a real X server (Xvfb, 1920x1080) and window
// manager (openbox), at scale 1 and 2: driven through its test hook and
// xdotool, window frames read from the X server, pixels from screenshots.
// Each test starts and stops its own X session; every wait is bounded.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

const QRect kScreen(0, 0, 1920, 1080);

// Runs an X client to its end and returns what it printed.
QString xrun(const QString& display, const QString& program, const QStringList& args)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
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
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

class XSession {
public:
    XSession()
    {
        // Xvfb picks a free display and writes its number to stdout.
        xvfb_.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1920x1080x24",
                                            "-nolisten", "tcp"});
        if (!xvfb_.waitForStarted(5000) || !waitUntil([&] {
                xvfb_.waitForReadyRead(50);
                return xvfb_.canReadLine();
            }))
            return;
        display_ = QStringLiteral(":") + QString::fromLatin1(xvfb_.readAll()).trimmed();
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        wm_.setProcessEnvironment(env);
        wm_.start(QStringLiteral("openbox"), {"--sm-disable"});
        ready_ = wm_.waitForStarted(5000) && waitUntil([&] {
                     return xrun(display_, "xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"})
                         .contains(QStringLiteral("window id"));
                 });
    }
    ~XSession()
    {
        for (QProcess* p : {&wm_, &xvfb_}) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(1000);
        }
    }
    bool ready() const { return ready_; }
    const QString& display() const { return display_; }

private:
    QProcess xvfb_, wm_;
    QString display_;
    bool ready_ = false;
};

struct Window {
    QString name;
    QString xid;
    QRect frame, client; // from the X server: with the window manager's frame, and without
};
struct Control {
    QString window, name;
    QRect rect;
};

// cv5320-eval on the simulated board with its test hook.
class Program {
public:
    Program(const XSession& x, int scale) : x_(x)
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), x.display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        env.insert(QStringLiteral("CV_TEST_HOOK"), QStringLiteral("1"));
        p_.setProcessEnvironment(env);
        p_.start(QStringLiteral(CV_BIN_DIR "/cv5320-eval"),
                 {"--board", "sim", "--scenario", "none"});
    }
    ~Program()
    {
        p_.kill();
        p_.waitForFinished(3000);
    }
    // The hook's answer lines, without the final "ok"; empty on an error.
    QStringList ask(const QString& command)
    {
        p_.write((command + QLatin1Char('\n')).toUtf8());
        QStringList lines;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 8000) {
            while (p_.canReadLine()) {
                const QString l = QString::fromUtf8(p_.readLine()).trimmed();
                if (l == QLatin1String("ok"))
                    return lines;
                if (l.startsWith(QLatin1String("error")))
                    return {};
                lines << l;
            }
            p_.waitForReadyRead(100);
        }
        ADD_FAILURE() << "no answer to " << command.toStdString();
        return {};
    }
    // An X window's place and size, and with the window manager's frame.
    std::pair<QRect, QRect> xGeometry(const QString& xid) const
    {
        const QString info = xrun(x_.display(), "xwininfo", {"-id", xid});
        auto field = [&](const char* key) {
            const auto m = QRegularExpression(QString::fromLatin1(key) + QStringLiteral(":\\s+(-?\\d+)"))
                               .match(info);
            return m.hasMatch() ? m.captured(1).toInt() : 0;
        };
        const QRect client(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                           field("Width"), field("Height"));
        QRect r = client;
        const auto m = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
                           .match(xrun(x_.display(), "xprop", {"-id", xid, "_NET_FRAME_EXTENTS"}));
        if (m.hasMatch())
            r.adjust(-m.captured(1).toInt(), -m.captured(3).toInt(), m.captured(2).toInt(),
                     m.captured(4).toInt());
        return {r, client};
    }
    QList<Window> windows()
    {
        QList<Window> out;
        for (const QString& l : ask(QStringLiteral("windows"))) {
            const QStringList f = l.split(QLatin1Char(' '));
            if (f.size() >= 3) {
                const auto [frame, client] = xGeometry(f[2]);
                out.append({f[1], f[2], frame, client});
            }
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
    QList<Control> controls(const QString& command = QStringLiteral("controls"))
    {
        QList<Control> out;
        for (const QString& l : ask(command)) {
            const QStringList f = l.split(QLatin1Char(' '));
            if (f.size() >= 7)
                out.append({f[1], f[2], QRect(f[3].toInt(), f[4].toInt(), f[5].toInt(), f[6].toInt())});
        }
        return out;
    }
    QImage screenshot() const
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("root.png"));
        xrun(x_.display(), "import", {"-window", "root", path});
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }
    void xdotool(const QStringList& args) const { xrun(x_.display(), "xdotool", args); }

private:
    const XSession& x_;
    QProcess p_;
};

bool isBoardControl(const Control& c)
{
    return c.name.startsWith(QLatin1String("KeyCmd_")) || c.name == QLatin1String("SliderStrip");
}

// What is wrong with where the Virtual Sensor Board is, or empty: it must be
// on the screen and cover no other window of the program; docked in a
// window, its keys must lie clear of that window's other controls.
QString boardTrouble(Program& app)
{
    const QList<Window> wins = app.windows();
    const QList<Control> controls = app.controls();
    QString host = QStringLiteral("VirtualSensorBoardFrm");
    QRect board;
    for (const Control& c : controls)
        if (isBoardControl(c)) {
            host = c.window;
            board |= c.rect;
        }
    if (board.isEmpty())
        return QStringLiteral("the board shows no keys");
    // A window of its own covers no other; a docked panel lies under no
    // window opened after the one it is docked in.
    bool above = host == QLatin1String("VirtualSensorBoardFrm");
    for (const Window& w : wins) {
        if (w.name == QLatin1String("VirtualSensorBoardFrm")) {
            if (!kScreen.contains(w.frame))
                return QStringLiteral("the board is off the screen");
            board = w.frame;
        }
    }
    for (const Window& w : wins) {
        if (w.name == host)
            above = true;
        else if (above && w.frame.intersects(board))
            return QStringLiteral("the board covers ") + w.name;
    }
    for (const Control& c : controls)
        if (c.window == host && !isBoardControl(c) && c.rect.intersects(board) &&
            host != QLatin1String("VirtualSensorBoardFrm"))
            return QStringLiteral("the docked board covers ") + c.name;
    return {};
}

// Presses slider key 4 with the real mouse and tells where the press went.
QString pressSliderKey4(Program& app)
{
    for (const Control& c : app.controls())
        if (c.name == QLatin1String("SliderStrip")) {
            const QPoint at(c.rect.x() + c.rect.width() * 9 / 16, c.rect.center().y());
            app.xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep",
                         "0.2", "click", "1"});
            QString where;
            waitUntil([&] {
                where = app.ask(QStringLiteral("lastpress")).value(0);
                return where.endsWith(QLatin1String("SliderStrip"));
            }, 3000);
            return where;
        }
    return QStringLiteral("no slider");
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        x_ = std::make_unique<XSession>();
        ASSERT_TRUE(x_->ready()) << "Xvfb and openbox did not start (scripts/setup.sh installs them)";
    }
    std::unique_ptr<XSession> x_;
};

} // namespace

TEST_F(Desktop, VirtualSensorBoardCoversNoWindowAndTakesThePress)
{
    struct Step {
        const char* command; // through the hook
        const char* opens;   // the window then on top
    };
    const Step steps[] = {
        {"", "CV5320TopLevelFrm"},
        {"click CmdBlockDiagram", "DiagramFrm"},
        {"click AdcCmd", "AdcFrm"},
        {"close", "DiagramFrm"},
        {"close", "CV5320TopLevelFrm"},
        {"click CmdOverview", "SensorOverviewFrm"},
        {"click 4. Save...", "QFileDialog"},
        {"close", "QMessageBox"},
        {"close", "SensorOverviewFrm"},
    };
    for (int scale : {2, 1}) {
        Program app(*x_, scale);
        ASSERT_TRUE(app.waitForWindow(QStringLiteral("CV5320TopLevelFrm"))) << "scale " << scale;
        for (const Step& s : steps) {
            SCOPED_TRACE(QStringLiteral("scale %1, %2").arg(scale).arg(s.command).toStdString());
            if (*s.command)
                app.ask(QString::fromLatin1(s.command));
            EXPECT_TRUE(app.waitForWindow(QString::fromLatin1(s.opens))) << s.opens;
            QString trouble;
            waitUntil([&] { return (trouble = boardTrouble(app)).isEmpty(); });
            EXPECT_EQ(trouble.toStdString(), "");
            EXPECT_TRUE(pressSliderKey4(app).endsWith(QLatin1String("SliderStrip")));
        }
    }
}

namespace {
// Pixels within `tolerance` of `ink` in `image` inside `area`.
int inkPixels(const QImage& image, const QRect& area, QRgb ink, int tolerance = 24)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            n += std::abs(qRed(c) - qRed(ink)) <= tolerance &&
                 std::abs(qGreen(c) - qGreen(ink)) <= tolerance &&
                 std::abs(qBlue(c) - qBlue(ink)) <= tolerance;
        }
    return n;
}
} // namespace

TEST_F(Desktop, DrawingsOnScreenMatchTheirRender)
{
    struct Case {
        int scale;
        const char* command; // opens the window
        const char* window;
        QRgb ink; // the drawing's line colour
    };
    const Case cases[] = {
        {1, "click CmdBlockDiagram", "DiagramFrm", 0x34495e},
        {2, "click CmdBlockDiagram", "DiagramFrm", 0x34495e},
        {2, "click MuxStage0", "InputMuxFrm", 0x34495e},
    };
    std::map<int, std::unique_ptr<Program>> apps;
    std::map<int, std::unique_ptr<QTemporaryDir>> renders;
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 at scale %2").arg(c.window).arg(c.scale).toStdString());
        auto& dir = renders[c.scale];
        if (!dir) {
            dir = std::make_unique<QTemporaryDir>();
            QProcess render;
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(c.scale));
            render.setProcessEnvironment(env);
            render.start(QStringLiteral(CV_BIN_DIR "/cv5320-eval"), {"--render", dir->path()});
            ASSERT_TRUE(render.waitForFinished(60000));
        }
        auto& app = apps[c.scale];
        if (!app) {
            app = std::make_unique<Program>(*x_, c.scale);
            ASSERT_TRUE(app->waitForWindow(QStringLiteral("CV5320TopLevelFrm")));
        }
        app->ask(QString::fromLatin1(c.command));
        ASSERT_TRUE(app->waitForWindow(QString::fromLatin1(c.window)));
        QThread::msleep(1500); // placed, painted and settled
        const QRect client = app->window(QString::fromLatin1(c.window))->client;
        const QImage screen = app->screenshot().copy(client);
        const QImage render(dir->filePath(QString::fromLatin1(c.window) + ".png"));
        ASSERT_FALSE(render.isNull());
        // The top left of both, clear of scroll bars and a docked panel.
        const QRect area(0, 0, std::min(screen.width(), render.width()) - 40,
                         std::min(screen.height(), render.height()) / 2);
        const int drawn = inkPixels(render, area, c.ink);
        EXPECT_GT(drawn, 200);
        EXPECT_GE(inkPixels(screen, area, c.ink), drawn * 9 / 10);
        int differ = 0;
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                differ += inkPixels(screen, QRect(x, y, 1, 1), render.pixel(x, y), 48) == 0;
        EXPECT_LT(differ, area.width() * area.height() / 33);
    }
}

TEST_F(Desktop, ChartPlotNeverShrinksAsItsWindowGrows)
{
    struct Case {
        int scale;
        std::vector<int> widths; // of the converter window, device pixels
    };
    const Case cases[] = {{1, {960, 1100, 1400, 1900}}, {2, {1500, 1700, 1900}}};
    for (const Case& c : cases) {
        Program app(*x_, c.scale);
        ASSERT_TRUE(app.waitForWindow(QStringLiteral("CV5320TopLevelFrm")));
        app.ask(QStringLiteral("click CmdBlockDiagram"));
        ASSERT_TRUE(app.waitForWindow(QStringLiteral("DiagramFrm")));
        app.ask(QStringLiteral("click AdcCmd"));
        ASSERT_TRUE(app.waitForWindow(QStringLiteral("AdcFrm")));
        app.ask(QStringLiteral("click ReadContCV5310Cmd")); // values, so a legend
        QThread::msleep(1000);
        int last = 0;
        for (int width : c.widths) {
            SCOPED_TRACE(QStringLiteral("scale %1, %2 px").arg(c.scale).arg(width).toStdString());
            const Window w = *app.window(QStringLiteral("AdcFrm"));
            app.xdotool({"windowsize", w.xid, QString::number(width),
                         QString::number(w.client.height())});
            QStringList chart;
            EXPECT_TRUE(waitUntil([&] {
                chart = app.ask(QStringLiteral("charts")).value(0).split(QLatin1Char(' '));
                return app.window(QStringLiteral("AdcFrm"))->client.width() == width &&
                       chart.size() >= 8;
            }));
            QThread::msleep(300); // the chart lays out at its next frame
            chart = app.ask(QStringLiteral("charts")).value(0).split(QLatin1Char(' '));
            ASSERT_GE(chart.size(), 8);
            EXPECT_GE(chart[5].toInt(), last);
            EXPECT_EQ(chart[7], QLatin1String("fits"));
            last = chart[5].toInt();
        }
    }
}

TEST_F(Desktop, ReadingLeavesTheWindowAsItWasAndTheSpanReadable)
{
    struct Case {
        const char* command; // from the block diagram
        const char* window;
    };
    const Case cases[] = {{"click AdcCmd", "AdcFrm"}, {"click RRStage0", "RRTabStageFrm"}};
    Program app(*x_, 1);
    ASSERT_TRUE(app.waitForWindow(QStringLiteral("CV5320TopLevelFrm")));
    app.ask(QStringLiteral("click CmdBlockDiagram"));
    ASSERT_TRUE(app.waitForWindow(QStringLiteral("DiagramFrm")));
    const QRgb alarm = 0xc62828;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        app.ask(QString::fromLatin1(c.command));
        ASSERT_TRUE(app.waitForWindow(QString::fromLatin1(c.window)));
        QThread::msleep(1000);
        QStringList chart = app.ask(QStringLiteral("charts")).value(0).split(QLatin1Char(' '));
        ASSERT_GE(chart.size(), 8);
        const QRect plot(chart[3].toInt(), chart[4].toInt(), chart[5].toInt(), chart[6].toInt());
        const QRect bar(plot.left(), plot.top() - 40, plot.width(), 40);
        EXPECT_EQ(inkPixels(app.screenshot(), bar, alarm, 16), 0) << "an alarm before reading";
        const QSize before = app.window(QString::fromLatin1(c.window))->frame.size();
        app.ask(QStringLiteral("click ReadContCV5310Cmd"));
        QThread::msleep(2500);
        EXPECT_EQ(app.window(QString::fromLatin1(c.window))->frame.size(), before);
        // Ctrl+wheel zooms the time axis out, to spans of minutes.
        app.xdotool({"mousemove", QString::number(plot.center().x()),
                     QString::number(plot.center().y()), "sleep", "0.2", "keydown", "ctrl", "click", "--repeat",
                     "12", "5", "keyup", "ctrl"});
        QThread::msleep(500);
        chart = app.ask(QStringLiteral("charts")).value(0).split(QLatin1Char(' '));
        ASSERT_GE(chart.size(), 9);
        EXPECT_EQ(chart[7], QLatin1String("fits"));
        const QString span = QStringList(chart.mid(8)).join(QLatin1Char(' '));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^(\\d\\.?\\d?|\\d+) s$|^\\d+ min( \\d+ s)?$"))
                        .match(span)
                        .hasMatch())
            << span.toStdString();
        app.ask(QStringLiteral("close"));
        EXPECT_TRUE(waitUntil([&] { return !app.window(QString::fromLatin1(c.window)); }));
    }
}
