#include "link/RegMap.h"
#include "link/Startup.h"
#include "link/UsbUtils.h"
#include "shell/BoardSession.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "support/Files.h"
#include "support/SimRig.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
const QString kStartupFailure =
    QStringLiteral("ERROR: Can Not Download the Firmware onto Evaluation Board");

struct StartupTest : ::testing::Test {
    SimRig rig{sim::SimConfig{}, false};
    QTemporaryDir folder;
};
} // namespace

TEST_F(StartupTest, StandardFileStartsWithoutAnyMessage)
{
    writeFile(folder.filePath(kFirmwareFileName), standInFirmware());
    const auto r = runStartup(rig.access(), folder.path());
    EXPECT_EQ(r.FirmwareTitle, kFirmwareFileName);
    EXPECT_TRUE(rig.services.messages.empty());
    // The chip identity and the EEPROM bytes (the emulated FX2 session pins them); nothing written.
    EXPECT_EQ(rig.records.size(), 2u);
}

TEST_F(StartupTest, NoUsableFirmwareOrNoBoardIsAStartupFailure)
{
    enum Setup { NoFile, OtherName, Corrupt, NoBoard };
    for (Setup setup : {NoFile, OtherName, Corrupt, NoBoard}) {
        SCOPED_TRACE(setup);
        sim::SimConfig cfg;
        cfg.present = setup != NoBoard;
        SimRig board{cfg, false};
        QTemporaryDir dir;
        if (setup == OtherName)
            writeFile(dir.filePath(QStringLiteral("other.hex")), standInFirmware());
        if (setup == NoBoard)
            writeFile(dir.filePath(kFirmwareFileName), standInFirmware());
        if (setup == Corrupt) {
            writeFile(dir.filePath(kFirmwareFileName),
                      ":030000000200807C\r\n:00000001FF\r\n"); // bad checksum
        }
        // One file of another name fails too: the fixed name is what is downloaded.
        EXPECT_THROW(runStartup(board.access(), dir.path()), ProgramEnded);
        ASSERT_EQ(board.services.messages.size(), 1u);
        // The fixed text first; a download that failed says why on a line of its own.
        const QString text = board.services.messages[0].text;
        EXPECT_EQ(text.section(QLatin1Char('\n'), 0, 0), kStartupFailure);
        if (setup == Corrupt)
            EXPECT_TRUE(text.contains("\nThe firmware file")) << text.toStdString();
        EXPECT_EQ(board.services.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(board.services.messages[0].title, kAppTitle);
        EXPECT_FALSE(board.board->firmwareRunning());
    }
}

TEST_F(StartupTest, FilesInSubfoldersCountAndBringUpTheDialog)
{
    writeFile(folder.filePath(kFirmwareFileName), standInFirmware());
    QDir(folder.path()).mkpath(QStringLiteral("old/older"));
    writeFile(folder.filePath(QStringLiteral("old/older/previous.HEX")), standInFirmware());

    // Cancelled: start-up fails.
    EXPECT_THROW(runStartup(rig.access(), folder.path()), ProgramEnded);
    ASSERT_EQ(rig.services.fileRequests.size(), 1u);
    EXPECT_EQ(rig.services.fileRequests[0].filter,
              "Intel HEX Files(*.hex)|*.hex|All Files (*.*)|*.*");
    EXPECT_EQ(rig.services.fileRequests[0].filterIndex, 1);
    EXPECT_FALSE(rig.services.fileRequests[0].save);
    EXPECT_EQ(rig.services.lastMessage(), kStartupFailure);

    // Chosen: the chosen file is downloaded and named.
    SimRig again{sim::SimConfig{}, false};
    again.services.fileAnswers.push_back(folder.filePath(QStringLiteral("old/older/previous.HEX")));
    const auto r = runStartup(again.access(), folder.path());
    EXPECT_EQ(r.FirmwareTitle, "previous.HEX");
}

TEST_F(StartupTest, TheChipIdentifierSelectsTheEepromRowAMismatchIsRewritten)
{
    const std::pair<uint16_t, int> rows[] = {
        {0xC312, 0}, {0xC330, 1}, {0x5320, 2}, {0xFFFF, 2}, {0x531F, -1}};
    for (const auto& [id, row] : rows)
        EXPECT_EQ(eepromRowForChipId(id), row) << id;
    writeFile(folder.filePath(kFirmwareFileName), standInFirmware());
    sim::SimConfig cfg;
    cfg.eepromMatches = false;
    SimRig fresh{cfg, false};
    EXPECT_THROW(runStartup(fresh.access(), folder.path()), ProgramEnded);
    ASSERT_EQ(fresh.services.messages.size(), 1u);
    EXPECT_EQ(
        fresh.services.messages[0].text,
        "Device ID EEPROM has been initialised. Please disconnect and reconnect the board, and "
        "re-launch application.");
    EXPECT_EQ(fresh.services.messages[0].icon, MsgIcon::Exclamation);
    const auto row = eepromRecordRow(2);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(fresh.board->eeprom()[i], row[i]) << i;
    EXPECT_EQ(row[0], 0xC0);
    EXPECT_EQ(row[3] | (row[4] << 8), static_cast<int>(BoardProductId));

    // Below 0x5320 the EEPROM is neither read nor written.
    SimRig old{cfg, false};
    old.board->chip().poke(reg::PART_ID, 0x5310);
    runStartup(old.access(), folder.path());
    for (const auto& r : old.records)
        EXPECT_EQ(r.request, 0xDD);
    EXPECT_TRUE(old.services.messages.empty());
}

TEST(Identification, UnknownBoardEndsTheProgramWithItsNumber)
{
    sim::SimConfig cfg;
    cfg.boardId = 5;
    SimRig rig{cfg};
    EXPECT_THROW(readBoardId(), ProgramEnded);
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.messages[0].text, "Error:  5 Cannot Load Correct Version of Firmware");
    EXPECT_EQ(rig.services.messages[0].icon, MsgIcon::Critical);
}

TEST(MainWindow, ShowingIdentifiesTheBoardAndEnablesTheButtons)
{
    SimRig rig{sim::SimConfig{}, false};
    CV5320TopLevelFrm w(rig.access(), rig.appFolder.path(), QStringLiteral("Simulated board 58"));
    w.Form_Load();
    auto* demo = w.findChild<QPushButton*>(QStringLiteral("CmdDemo"));
    ASSERT_TRUE(demo);
    EXPECT_FALSE(demo->isEnabled());

    // Revisions whose digits differ in hexadecimal and decimal.
    rig.board->chip().poke(reg::PART_ID, 0x532B);
    rig.board->firmware().setBoardReg(reg::board::FirmwareRevision, 0xAB);
    rig.clearRecords();
    rig.services.sleeps.clear();
    w.Form_Resize();
    EXPECT_EQ(w.boardId(), 58);
    EXPECT_EQ(demo->text(), "Evaluation Demo");
    EXPECT_TRUE(demo->isEnabled());
    QStringList shown;
    for (const char* name : {"ManIDLbl", "SilRevLbl", "FwRevLbl"})
        shown << w.findChild<QLabel*>(QString::fromLatin1(name))->text();
    EXPECT_EQ(shown.join('|'), "Device ID: 532|Silicon Revision: B|Firmware Revision: 10.11");
    EXPECT_FALSE(w.findChild<QLabel*>(QStringLiteral("DwnStatusLbl"))->isVisible());
    // Board identifier, chip identity, firmware revision, in that order.
    EXPECT_EQ(rig.registerOps(), (std::vector<RegisterOp>{{false, TargetBoard, 6, 1, 0, 0},
                                                          {false, TargetChip, 0x017, 1, 0, 0},
                                                          {false, TargetBoard, 1, 1, 0, 0}}));
    // The progress animation: 43 steps of 25 ms between the first and second read.
    EXPECT_EQ(std::count(rig.services.sleeps.begin(), rig.services.sleeps.end(), 25), 43);

    // Every later resize, minimising and restoring repeat the whole identification.
    for (auto again : std::initializer_list<std::function<void()>>{
             [&] { w.Form_Resize(); }, [&] { w.setWindowState(Qt::WindowMinimized); },
             [&] { w.setWindowState(Qt::WindowNoState); }}) {
        rig.clearRecords();
        again();
        EXPECT_EQ(rig.registerOps().size(), 3u);
    }
}
