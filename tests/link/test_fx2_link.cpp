// The real board's USB path, proven against the emulated FX2 on virtual time.
#include "link/LibUsbAccess.h"
#include "link/RegMap.h"
#include "link/Startup.h"
#include "link/UsbUtils.h"
#include "shell/BoardSession.h"
#include "sim/EmulatedFx2.h"
#include "support/Captions.h"
#include "support/FakeServices.h"
#include "support/Files.h"
#include "support/HexText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <numeric>

using namespace cv;
using namespace cv::test;

namespace {
struct Fx2Link : ::testing::Test {
    FakeServices services;
    sim::EmulatedFx2* bus = nullptr;
    std::vector<sim::SimBoard*> simulated; // behind each emulated FX2
    std::unique_ptr<LibUsbAccess> access;
    QTemporaryDir folder;

    // A bus with these boards on it, and the library over it.
    void plug(std::vector<sim::Fx2DeviceConfig> boards, const QString& port = {})
    {
        auto b = std::make_unique<sim::EmulatedFx2>(services.clock());
        simulated.clear();
        for (auto& c : boards)
            simulated.push_back(&b->plug(c));
        bus = b.get();
        access = std::make_unique<LibUsbAccess>(std::move(b), port);
    }
    void plug(sim::Fx2DeviceConfig board = {}) { plug(std::vector{board}); }

    QString firmware(const QByteArray& text)
    {
        return writeFile(folder.filePath(kFirmwareFileName), text);
    }
    // Found, connected and given the image, as start-up does.
    int16_t download(const QByteArray& text)
    {
        int32_t count = 0, handle = 0;
        uint8_t list[128] = {};
        EXPECT_EQ(access->Search_For_Boards(BoardVendorId, BoardProductId, count, list), 0);
        EXPECT_EQ(access->Connect(BoardVendorId, BoardProductId, list[0], handle), 0);
        return access->Download_Firmware(handle, firmware(text).toLocal8Bit().constData());
    }
    ~Fx2Link() override { attachLink(nullptr, 0); }
};

} // namespace

// Start-up puts the reason after its fixed text (StartupTest's Corrupt row).
TEST_F(Fx2Link, ImageOutsideOnChipRamIsRefusedBeforeAnythingIsWritten)
{
    // One byte past each of the RAM's two ranges, and an image without data.
    const std::pair<QByteArray, const char*> images[] = {
        {hexText({{0x0000, QByteArray::fromHex("020080")}, {0x3FFE, "\x01\x02\x03"}}), "0x4000"},
        {hexText({{0xE200, "\x01"}}), "0xE200"},
        {hexText({}), "holds no data"},
    };
    for (const auto& [image, says] : images) {
        plug();
        EXPECT_LT(download(image), 0) << says;
        EXPECT_TRUE(access->failureDetail().contains(says))
            << access->failureDetail().toStdString();
        EXPECT_TRUE(bus->transfers().empty()) << says;
    }
}

TEST_F(Fx2Link, BoardBackAtTheLastLookIsTakenOneLaterIsNot)
{
    // The board leaves before it acknowledges: still a success. Both wait 3 s in 28 looks.
    for (const auto& [delay, status] : {std::pair{3000, 0}, {3001, -5}}) {
        plug({.returnDelayMs = delay, .releaseFails = true});
        services.sleeps.clear();
        EXPECT_EQ(download(hexText({{0, QByteArray::fromHex("020080")}})), status)
            << access->failureDetail().toStdString();
        EXPECT_EQ(std::accumulate(services.sleeps.begin(), services.sleeps.end(), 0), 3000);
        EXPECT_EQ(services.sleeps.size(), 28u);
    }
    EXPECT_EQ(access->failureDetail(),
              "No answer after the download: the board did not come back at 1-2 within 3 s.");
}

TEST_F(Fx2Link, ImageWithoutResetVectorLeavesTheBoardSilent)
{
    plug();
    EXPECT_LT(download(hexText({{0x0100, "\x01\x02"}})), 0);
    EXPECT_FALSE(bus->cpuHeldInReset("1-2"));
    EXPECT_TRUE(access->failureDetail().startsWith("No answer after the download"));
}

TEST_F(Fx2Link, SearchFindsTheBoardByEachRecordRow)
{
    plug({{.ports = "2"}, {.ports = "3"}, {.ports = "4"}, {.ports = "5"}});
    // Rows 0, 1 and 2 of the record table, and a product just past them.
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t pid = BoardProductId - 2 + (i == 3 ? 4 : i);
        simulated[i]->eeprom()[3] = static_cast<uint8_t>(pid & 0xFF);
        simulated[i]->eeprom()[4] = static_cast<uint8_t>(pid >> 8);
    }
    int32_t count = 0;
    uint8_t list[128] = {};
    EXPECT_EQ(access->Search_For_Boards(BoardVendorId, BoardProductId, count, list), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list[2], 3);
    EXPECT_EQ(list[3], 0);
    int32_t handle = 0;
    EXPECT_EQ(access->Connect(BoardVendorId, BoardProductId, 3, handle), 0);
    EXPECT_EQ(access->boardLocation(), "bus 1, port 4");
}

// The fixture's failures of the board during a session, each with how the
// session ended.
TEST_F(Fx2Link, FailuresDuringASessionEndOnTheFatalPath)
{
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    expectCases(QStringLiteral("link/fixtures/session_faults.txt"), [&](const QString& fault) {
        services.messages.clear();
        std::unique_ptr<BoardSession> session;
        UsbAccess* board = access.get();
        const QString kind = fault.section(' ', 0, 0), at = fault.section(' ', 1);
        if (kind == "sim-fault") {
            QString error;
            session = BoardSession::create({"fx2-emu", {}, "none", at}, services.clock(), &error);
            if (!session)
                return error;
            board = &session->access();
        } else {
            plug({.fault = {kind == "stall"     ? sim::Fx2Fault::Stall
                            : kind == "timeout" ? sim::Fx2Fault::Timeout
                                                : sim::Fx2Fault::Unplug,
                            at.toInt()}});
            board = access.get();
        }
        runStartup(*board, folder.path());
        if (!services.messages.empty())
            return "start-up said " + services.lastMessage();
        const int64_t before = services.nowMs();
        int reads = 0;
        try {
            for (; reads < 100; ++reads) {
                services.sleeps.clear();
                ReadRegister(reg::PART_ID, TargetChip);
            }
        } catch (const ProgramEnded&) {
        }
        EXPECT_GT(services.nowMs(), before) << fault.toStdString();
        const QString ended = QStringLiteral("%1 reads, waited %2 ms: %3")
                                  .arg(reads)
                                  .arg(services.sleeps.back())
                                  .arg(services.lastMessage().replace('\n', QStringLiteral(" / ")));
        attachLink(nullptr, 0);
        return ended;
    });
}
