// The register console and its register files on the simulated board.
#include "link/RegMap.h"
#include "link/RegisterFile.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "shell/ui/RegCtrlFrm.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "support/SimRig.h"
#include "widgets/Led.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {

// A value per register that differs from its neighbours and stays clear of
// the bits that make the chip act (software reset, forced calibration).
int32_t patternValue(int address)
{
    if (address < reg::BANK2)
        return (0x1111 * (address + 1)) & 0x3BFF;
    return (address * 0x9E37 + 0x55) & 0xFFFF;
}

// The console loaded on a board; its first refresh is not recorded.
struct Console : ::testing::Test {
    Console()
    {
        w.Form_Load();
        rig.clearRecords();
    }
    SimRig rig;
    RegCtrlFrm w;
    QTemporaryDir dir;
};
} // namespace

TEST(RegisterFile, TheValueOfALine)
{
    // The number is read from the first seven characters; the rest is
    // commentary. A line without a usable number stops a load.
    const std::tuple<const char*, bool, int32_t> values[] = {
        {" 65535  - Neg Maxim  Val 0x(DF)  = FFFF", true, 65535},
        {"      12345", true, 1},
        {" -65535", true, -65535},
        {"", false, 0},
        {" - Power Control (0x00) = 0", false, 0},
        {" 1e300  - Connection Mem 1", false, 0},
        {" - . ", false, 0},
        {"1D+999", false, 0},
    };
    for (const auto& [text, ok, value] : values) {
        int32_t v = 0;
        EXPECT_EQ(registerFileLineValue(QString::fromLatin1(text), v), ok) << text;
        if (ok)
            EXPECT_EQ(v, value) << text;
    }
}

TEST_F(Console, RefreshReadsInItsPatternAndShowsOffsetsInDecimal)
{
    rig.board->chip().poke(0x080, 0x1234);
    rig.board->chip().poke(0x084, 1000);
    rig.board->chip().poke(0x0DF, 5000);
    rig.board->chip().poke(0x00A, 0x0ABC);
    rig.services.sleeps.clear();
    w.Form_Load();

    EXPECT_TRUE(rig.writes().empty());
    std::vector<std::pair<int, int>> want = {{0x000, 11}, {0x017, 1}};
    for (int k = 0; k < 4; ++k) // bank 2 in four chunks of 18 and 7
        want.insert(want.end(), {{0x080 + 0x19 * k, 18}, {0x092 + 0x19 * k, 7}});
    EXPECT_EQ(rig.reads(), want);
    // A 40 ms pause inside each of the four chunks.
    EXPECT_EQ(std::count(rig.services.sleeps.begin(), rig.services.sleeps.end(), 40), 4);

    EXPECT_EQ(hexFieldValue(w.RegValTxt[10]->text()), 0xABCu);
    EXPECT_EQ(w.RegValTxt[11]->text(), "5322");
    EXPECT_EQ(hexFieldValue(w.StgTxt[0]->text()), 0x1234u);
    EXPECT_EQ(w.StgTxt[4]->text(), " 1000");
    EXPECT_EQ(w.StgTxt[95]->text(), " 5000");
    EXPECT_TRUE(w.Option1->isChecked());
}

// Both shell windows loaded on a freshly started board, against their fixtures.
TEST_F(Console, FixedTextsOfBothShellWindows)
{
    expectCaptions(w, "shell/fixtures/RegCtrlFrm.captions.txt");
    CV5320TopLevelFrm top(rig.access(), rig.appFolder.path(), QStringLiteral("Simulated board 58"));
    top.Form_Load();
    expectCaptions(top, "shell/fixtures/CV5320TopLevelFrm.captions.txt");
}

TEST_F(Console, ReadAndWriteOneRegisterInHexOrDecimal)
{
    auto writeTyped = [&](const QString& address, const QString& value) {
        rig.clearRecords();
        w.RegAddressTxt->setText(address);
        w.RegValueTxt->setText(value);
        w.CmdWriteReg_Click();
    };

    w.Option2->setChecked(true);
    writeTyped("A5", "70000");
    EXPECT_EQ(rig.board->chip().peek(0x0A5), 0x1170);
    // The whole display follows a write.
    EXPECT_EQ(rig.registerOps().size(), 11u);
    EXPECT_EQ(w.StgTxt[0x25]->text(), " 4464");

    w.Option1->setChecked(true);
    writeTyped("3ff", "beef and more");
    EXPECT_EQ(rig.board->chip().peek(0x3FF), 0xBEEF);

    // A read changes the value field only.
    rig.board->chip().poke(0x0C0, 0x00FE);
    rig.clearRecords();
    w.RegAddressTxt->setText("C0");
    w.cmdReadReg_Click();
    EXPECT_EQ(hexFieldValue(w.RegValueTxt->text()), 0xFEu);
    EXPECT_EQ(rig.registerOps().size(), 1u);
    w.Option2->setChecked(true);
    w.cmdReadReg_Click();
    EXPECT_EQ(w.RegValueTxt->text(), " 254");
}

TEST_F(Console, AddressesBeyondTenBitsAreRefused)
{
    const uint16_t conn0 = rig.board->chip().peek(0x080); // as the board booted it
    for (const char* address : {"400", "1080", "FFFFFFFFF1"}) {
        rig.services.messages.clear();
        w.RegAddressTxt->setText(address);
        w.RegValueTxt->setText("1234");
        w.CmdWriteReg_Click();
        w.cmdReadReg_Click();
        EXPECT_TRUE(rig.records.empty()) << address;
        ASSERT_EQ(rig.services.messages.size(), 2u);
        EXPECT_EQ(rig.services.lastMessage(), registerAddressMessage());
    }
    EXPECT_EQ(rig.board->chip().peek(0x080), conn0);
}

TEST_F(Console, SaveThenLoadReproducesEveryRegisterAndTheFile)
{
    const QString first = dir.filePath("first.txt");
    for (int i = 0; i < kRegisterFileLines; ++i)
        rig.board->chip().poke(registerFileAddress(i),
                               static_cast<uint16_t>(patternValue(registerFileAddress(i))));
    rig.board->chip().poke(0x008, 0x0111); // status: neither saved nor loaded

    rig.services.fileAnswers = {first, first, dir.filePath("second.txt")};
    w.cmdSave_Click();
    ASSERT_TRUE(rig.services.messages.empty()) << rig.services.lastMessage().toStdString();
    std::vector<std::pair<int, int>> want;
    for (int k = 0; k < 4; ++k)
        want.insert(want.end(), {{0x080 + 0x18 * k, 18}, {0x092 + 0x18 * k, 6}});
    want.emplace_back(0x000, 8);
    EXPECT_EQ(rig.reads(), want);
    EXPECT_TRUE(rig.services.fileRequests.at(0).save);
    EXPECT_EQ(rig.services.fileRequests[0].filter,
              "CV5310 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");
    // The lamp is lit until the timer's first tick.
    EXPECT_TRUE(w.LoadLed->isOn() && w.Timer1->isActive());
    w.Timer1_Timer();
    EXPECT_FALSE(w.LoadLed->isOn() || w.Timer1->isActive());

    // Every line, in order, against the fixture; each ends with CR LF.
    const QByteArray saved = fileBytes(first);
    EXPECT_EQ(saved.count("\r\n"), kRegisterFileLines);
    expectGolden(QString::fromLatin1(saved).remove('\r'), "shell/fixtures/register-file.txt");

    for (int i = 0; i < kRegisterFileLines; ++i)
        rig.board->chip().poke(registerFileAddress(i), 0);
    rig.clearRecords();
    w.cmdLoad_Click();
    ASSERT_TRUE(rig.services.messages.empty()) << rig.services.lastMessage().toStdString();
    EXPECT_FALSE(rig.services.fileRequests.back().save);

    // Bank 2 in address order, then 0x000..0x007, one write each: the chip's
    // status registers are left alone.
    const auto writes = rig.writes();
    ASSERT_EQ(writes.size(), static_cast<size_t>(kRegisterFileLines));
    for (int i = 0; i < kRegisterFileLines; ++i) {
        EXPECT_EQ(writes[i].address, registerFileAddress(i));
        EXPECT_EQ(writes[i].value, patternValue(registerFileAddress(i)));
    }
    EXPECT_EQ(hexFieldValue(w.StgTxt[0]->text()), uint64_t(patternValue(0x080)));

    w.cmdSave_Click();
    EXPECT_EQ(fileBytes(dir.filePath("second.txt")), saved);
}

TEST_F(Console, BrokenLoadKeepsWhatItWroteAndSaysSo)
{
    // 40 good lines, then a short last line without its line end.
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += registerFileLine(registerFileAddress(i), 100 + i).toLatin1() + "\r\n";
    const QString file = writeFile(dir.filePath("short.txt"), text + " 7");

    const uint16_t untouched = rig.board->chip().peek(0x0A9);
    rig.services.fileAnswers.push_back(file);
    w.cmdLoad_Click();
    ASSERT_EQ(rig.services.messages.size(), 1u); // its text is checked with the others below
    EXPECT_EQ(rig.services.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(rig.services.messages[0].title, kAppTitle);
    EXPECT_EQ(rig.board->chip().peek(0x0A8), 7);
    EXPECT_EQ(rig.board->chip().peek(0x0A9), untouched);
    // 41 writes and nothing read back; the lamp still goes out.
    EXPECT_EQ(rig.registerOps().size(), 41u);
    EXPECT_TRUE(w.Timer1->isActive());

    // A line with no number stops the load there; a cancelled or impossible
    // file gives the same one message.
    writeFile(file, registerFileLine(0x080, 5).toLatin1() + "\r\n - Connection Mem 1\r\n" +
                        registerFileLine(0x082, 5).toLatin1() + "\r\n");
    rig.clearRecords();
    rig.services.fileAnswers = {file, std::nullopt, std::nullopt, "/nonexistent-folder/regs.txt",
                                "/nonexistent-folder/regs.txt"};
    w.cmdLoad_Click();
    EXPECT_EQ(rig.writes().size(), 1u);
    rig.clearRecords();
    w.cmdLoad_Click(); // cancelled
    w.cmdSave_Click(); // cancelled
    w.cmdSave_Click();
    w.cmdLoad_Click();
    EXPECT_TRUE(rig.writes().empty());
    ASSERT_EQ(rig.services.messages.size(), 6u);
    for (const auto& m : rig.services.messages)
        EXPECT_EQ(m.text, "Error in writing to file");
}
