// The configuration header export: the power-up mask, the floating warning,
// the file text line for line, and what a cancelled or failed write leaves.
#include "config/ConfigHeader.h"
#include "config/DiagramOps.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "shell/ui/DiagramFrm.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "support/SimRig.h"

using namespace cv;
using namespace cv::test;

namespace {
constexpr int32_t kBias1 = 0x3FFF;
} // namespace

TEST(ConfigHeaderMask, SingleEndedStagesSetTheirBitOthersDoNot)
{
    std::array<std::array<int32_t, 2>, 12> c{};
    c.fill({0xFFFF, kBias1});
    EXPECT_EQ(stageMasks(c).PowerUp, 0);
    // A "+" only and a "-" only stage at both ends count; a differential and
    // a floating stage do not.
    c[0][0] = 0xFFFE;
    c[11][1] = kBias1 & ~0x3 | 0x1;
    c[8] = {0xFFFE, kBias1 & ~0x3 | 0x1};
    c[9][1] = kBias1 & ~0xC00;
    const StageMasks m = stageMasks(c);
    EXPECT_EQ(m.PowerUp, 0x801);
    EXPECT_EQ(m.Floating, 0x200);
}

TEST(ConfigHeaderExport, MatchesTheFixtureWarnsOfFloatingInputsAndReportsACancel)
{
    SimRig rig;
    InitialiseCinInputs();
    // Bank 1 values that do not depend on what the board set up at boot.
    const int32_t bank1[8] = {0x00B0, 0x0FFF, 0x0240, 0x0164, 0x81F4, 0x0000, 0x0FFF, 0x0000};
    for (int a = 0; a < 8; ++a)
        WriteRegister(static_cast<int16_t>(a), bank1[a], TargetChip);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.h"));
    rig.services.fileAnswers.push_back(path);
    rig.clearRecords();
    ASSERT_TRUE(CreateConfigFile());
    ASSERT_EQ(rig.services.fileRequests.size(), 1u);
    EXPECT_EQ(rig.services.fileRequests[0].filter,
              "CV5320 Config .h Files(*.h)|*.h|All Files (*.*)|*.*");
    expectGolden(QString::fromLatin1(fileBytes(path)), "config/fixtures/all_bias_config.h.golden");

    // Reads: two connection registers per stage, then eight per stage, then
    // register 0, six from 2 and six from 1. No writes.
    std::vector<std::pair<int, int>> want;
    for (int count : {2, 8})
        for (int s = 0; s < 12; ++s)
            want.emplace_back(0x80 + 8 * s, count);
    want.insert(want.end(), {{0, 1}, {2, 6}, {1, 6}});
    EXPECT_EQ(rig.reads(), want);
    EXPECT_TRUE(rig.writes().empty());

    // Floating inputs on three stages: one warning, and no power-up bits.
    for (int s : {1, 4, 10})
        WriteRegister(reg::bank2(s, 0), 0xFFFC, TargetChip);
    rig.services.fileAnswers.push_back(path);
    ASSERT_TRUE(CreateConfigFile());
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.messages[0].text, kFloatingExportWarning);
    EXPECT_EQ(rig.services.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(
        fileBytes(path).contains("#define POWER_UP_INTERRUPT                          0x0\r\n"));

    // Cancelled: the warning, then the error; no file.
    rig.services.messages.clear();
    EXPECT_FALSE(CreateConfigFile());
    ASSERT_EQ(rig.services.messages.size(), 2u);
    EXPECT_EQ(rig.services.messages[1].text, kHeaderWriteError);
    EXPECT_EQ(rig.services.messages[1].icon, MsgIcon::Information);

    // The block diagram's button runs the same export.
    DiagramFrm w;
    rig.services.fileAnswers.push_back(dir.filePath(QStringLiteral("button.h")));
    w.CmdCreateConfig_Click();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("button.h"))));
}
