// cv5320ctl demo runs the window's loop and decoders on the simulated board.
#include "support/RunProgram.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using cv::test::ProgramRun;

QString scenarioFile(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath("scenario.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

std::vector<QJsonObject> blocks(const QString& out)
{
    std::vector<QJsonObject> v;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(line.toUtf8(), &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
        v.push_back(d.object());
    }
    return v;
}
} // namespace

TEST(CtlDemo, AHeldKeyLightsClicksOnceAndStepsTheList)
{
    QTemporaryDir dir;
    const QString scenario = scenarioFile(dir, "800 press down\n1400 release down\n");
    const ProgramRun r =
        cv::test::runProgram("cv5320ctl", {"--board", "sim:58", "--scenario", scenario, "demo",
                                           "--tab", "demo", "--seconds", "3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto b = blocks(r.out);
    ASSERT_FALSE(b.empty());
    int clicks = 0, held = 0, lastList = 0;
    for (const auto& o : b) {
        for (const char* f :
             {"t_ms", "keys", "clicks", "list", "item", "pos", "tick", "tap", "active"})
            EXPECT_TRUE(o.contains(f)) << f;
        clicks += o["clicks"].toInt();
        if (o["keys"].toArray().contains("down"))
            ++held;
        lastList = o["list"].toInt();
        EXPECT_EQ(o["item"].toString(), o["list"].toInt() == 1 ? "Albania" : "Afghanistan");
    }
    EXPECT_GT(held, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(lastList, 1);
}

TEST(CtlDemo, SliderAndJoyPadFieldsAndBadOptions)
{
    QTemporaryDir dir;
    const QString scenario = scenarioFile(dir, "600 slide 0 255 600\n1400 press right\n");
    ProgramRun r =
        cv::test::runProgram("cv5320ctl", {"--board", "sim:58", "--scenario", scenario, "demo",
                                           "--tab", "slider", "--seconds", "1.5"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto b = blocks(r.out);
    ASSERT_FALSE(b.empty());
    for (const char* f : {"abs_pos", "mean", "reverse_mean", "position_ratio", "unscaled_disp",
                          "pos_disp", "segments", "segment_flags"})
        EXPECT_TRUE(b[0].contains(f)) << f;
    EXPECT_EQ(b[0]["segments"].toArray().size(), 8);

    r = cv::test::runProgram("cv5320ctl", {"--board", "sim:70", "--scenario", scenario, "demo",
                                           "--tab", "joypad", "--seconds", "2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    b = blocks(r.out);
    ASSERT_FALSE(b.empty());
    for (const char* f : {"t_ms", "keys", "clicks", "row", "col", "zoom"})
        EXPECT_TRUE(b[0].contains(f)) << f;
    EXPECT_EQ(b[0]["row"].toInt(), 0);
    EXPECT_FALSE(b[0]["zoom"].toBool());

    r = cv::test::runProgram("cv5320ctl", {"--board", "sim:1", "demo", "--tab", "sideways"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--tab takes demo, slider or joypad")) << r.err.toStdString();
}
