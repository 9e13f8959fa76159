// cv5320ctl demo runs the window's loop and decoders on the simulated board.
#include "demo/DemoDecoders.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "support/RunProgram.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using cv::test::ProgramRun;

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

TEST(CtlDemo, EachTabPrintsItsFieldsForEveryShownBlock)
{
    QTemporaryDir dir;
    const QString scenario = cv::test::writeFile(dir.filePath("scenario.txt"),
                                                 "600 press down\n1000 release down\n"
                                                 "1200 slide 0 255 600\n1900 press right\n");
    // The fields each tab prints, the same in every block.
    QString fields;
    for (const auto& [board, tab] :
         {std::pair{"sim:58", "demo"}, {"sim:58", "slider"}, {"sim:70", "joypad"}}) {
        SCOPED_TRACE(tab);
        const ProgramRun r =
            cv::test::runProgram("cv5320ctl", {"--board", board, "--scenario", scenario, "demo",
                                               "--tab", tab, "--seconds", "2.2"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const auto b = blocks(r.out);
        ASSERT_FALSE(b.empty());
        for (const auto& o : b)
            EXPECT_EQ(o.keys(), b.front().keys());
        fields += QStringLiteral("%1: %2\n").arg(tab, b.front().keys().join(' '));
        if (tab == std::string("demo")) { // the press and the slide step the list
            EXPECT_EQ(b.back()["item"].toString(), cv::countryNames()[b.back()["list"].toInt()]);
            EXPECT_GT(b.back()["list"].toInt(), 1);
        } else if (tab == std::string("joypad")) {
            EXPECT_EQ(b.back()["col"].toInt(), 1);
        }
    }
    cv::test::expectGolden(fields, QStringLiteral("demo/fixtures/ctl_demo.fields.txt"));
    const ProgramRun r =
        cv::test::runProgram("cv5320ctl", {"--board", "sim:1", "demo", "--tab", "sideways"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--tab takes demo, slider or joypad")) << r.err.toStdString();
}
