// The real board's USB path, proven against the emulated FX2 on virtual time.
#include "link/LibUsbAccess.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/OpenFiles.h"
#include "shell/Startup.h"
#include "sim/EmulatedFx2.h"
#include "support/FakeServices.h"
#include "support/HexText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;
using Transfer = sim::EmulatedFx2::Transfer;

namespace {
const QString kStartupFailure =
    QStringLiteral("ERROR: Can Not Download the Firmware onto Evaluation Board");

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
        const QString path = folder.filePath(kFirmwareFileName);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }
    int32_t connect()
    {
        int32_t count = 0, handle = 0;
        uint8_t list[128] = {};
        EXPECT_EQ(access->Search_For_Boards(BoardVendorId, BoardProductId, count, list), 0);
        EXPECT_EQ(access->Connect(BoardVendorId, BoardProductId, list[0], handle), 0);
        return handle;
    }
    int16_t download(const QByteArray& text)
    {
        const int32_t handle = connect();
        return access->Download_Firmware(handle, firmware(text).toLocal8Bit().constData());
    }
    int totalSleptMs() const
    {
        int sum = 0;
        for (int s : services.sleeps)
            sum += s;
        return sum;
    }
    ~Fx2Link() override { attachLink(nullptr, 0); }
};

Transfer load(uint16_t at, const QByteArray& bytes)
{
    return {"1-2",
            0x40,
            0xA0,
            at,
            0,
            static_cast<uint16_t>(bytes.size()),
            static_cast<int>(bytes.size()),
            bytes};
}
} // namespace

TEST_F(Fx2Link, DownloadLoadsChunksOfAtMostOneKibibyteInsideTheCpuReset)
{
    plug();
    const QByteArray vector = QByteArray::fromHex("020100");
    const QByteArray code = countingBytes(2500);
    const QByteArray scratch = countingBytes(16, 7);
    ASSERT_EQ(download(hexText({{0x0000, vector}, {0x0100, code}, {0xE000, scratch}})), 0)
        << access->failureDetail().toStdString();

    const std::vector<Transfer> expected = {
        load(0xE600, "\x01"),
        load(0x0000, vector),
        load(0x0100, code.mid(0, 1024)),
        load(0x0500, code.mid(1024, 1024)),
        load(0x0900, code.mid(2048)),
        load(0xE000, scratch),
        load(0xE600, QByteArray(1, '\0')),
        // Back as the protocol firmware: one board register read (firmware revision).
        {"1-2", 0xC0, 0xDD, 0x0401, 0, 64, 64, {}},
    };
    EXPECT_EQ(bus->transfers(), expected);
    EXPECT_EQ(bus->ram("1-2").mid(0x0100, 2500), code);
    // First look after 300 ms, then every 100 ms until it is back (500 ms).
    EXPECT_EQ(services.sleeps, (std::vector<int>{300, 100, 100}));
    EXPECT_EQ(access->boardLocation(), "bus 1, port 2");
}

TEST_F(Fx2Link, ImageOutsideOnChipRamIsRefusedBeforeAnythingIsWritten)
{
    plug();
    EXPECT_LT(
        download(hexText({{0x0000, QByteArray::fromHex("020080")}, {0x3FFE, "\x01\x02\x03"}})), 0);
    EXPECT_TRUE(bus->transfers().empty());
    EXPECT_TRUE(access->failureDetail().contains("0x4000"))
        << access->failureDetail().toStdString();
    EXPECT_TRUE(access->failureDetail().contains("on-chip RAM"));
    EXPECT_LT(download(hexText({})), 0);
    EXPECT_TRUE(access->failureDetail().contains("holds no data"));
    EXPECT_TRUE(bus->transfers().empty());

    // Start-up says so after its fixed text.
    plug();
    firmware(hexText({{0xE200, "\x01"}}));
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    const QString text = services.lastMessage();
    EXPECT_TRUE(text.startsWith(kStartupFailure + "\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("0xE200 ") || text.contains("0xE200,")) << text.toStdString();
    EXPECT_TRUE(bus->transfers().empty());
}

TEST_F(Fx2Link, BoardBackAtTheLastLookIsTakenOneLaterIsNot)
{
    sim::Fx2DeviceConfig board;
    board.returnDelayMs = 3000;
    board.releaseFails = true; // the board leaves before it acknowledges: still a success
    plug(board);
    ASSERT_EQ(download(hexText({{0, QByteArray::fromHex("020080")}})), 0)
        << access->failureDetail().toStdString();
    EXPECT_EQ(totalSleptMs(), 3000);
    EXPECT_EQ(services.sleeps.size(), 28u);

    board.returnDelayMs = 3001;
    plug(board);
    services.sleeps.clear();
    EXPECT_EQ(download(hexText({{0, QByteArray::fromHex("020080")}})), -5);
    EXPECT_EQ(totalSleptMs(), 3000);
    EXPECT_TRUE(access->failureDetail().startsWith("No answer after the download"));
}

TEST_F(Fx2Link, BoardThatNeverComesBackEndsStartUpWithTheReason)
{
    sim::Fx2DeviceConfig board;
    board.returnDelayMs = -1;
    plug(board);
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    EXPECT_EQ(services.lastMessage(),
              kStartupFailure +
                  "\nNo answer after the download: the board did not come back at 1-2 within 3 s.");
    EXPECT_EQ(services.nowMs(), 3000);
    // No register request was tried on the old handle.
    EXPECT_EQ(bus->transfers().back().value, fx2::kCpuCs);
}

TEST_F(Fx2Link, ImageWithoutResetVectorLeavesTheBoardSilent)
{
    plug();
    EXPECT_LT(download(hexText({{0x0100, "\x01\x02"}})), 0);
    EXPECT_FALSE(bus->cpuHeldInReset("1-2"));
    EXPECT_TRUE(access->failureDetail().startsWith("No answer after the download"));
}

TEST_F(Fx2Link, ShortInReplyKeepsTheTailOfTheBuffer)
{
    sim::Fx2DeviceConfig board;
    board.replyBytes = 6; // header and one word
    plug(board);
    ASSERT_EQ(download(hexText({{0, QByteArray::fromHex("020080")}})), 0);
    attachLink(access.get(), LibUsbAccess::kHandle);
    auto& buffer = usbLink().TransferBuffer;
    buffer.fill(0xA5);
    EXPECT_EQ(ReadRegister(reg::PART_ID, TargetChip), 0x5322);
    EXPECT_EQ(buffer[4], 0x53);
    EXPECT_EQ(buffer[5], 0x22);
    for (size_t i = 6; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xA5) << i;
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(Fx2Link, DisconnectMidSessionEndsOnTheFatalPathWithFilesClosed)
{
    plug();
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    runStartup(*access, folder.path());
    EXPECT_TRUE(services.messages.empty()) << services.lastMessage().toStdString();

    const QString path = folder.filePath("results.txt");
    TrackedFile results(path);
    ASSERT_TRUE(results.open());
    results.write("stage 0  32768\r\n");
    bus->unplug("1-2");
    EXPECT_THROW(ReadRegister(reg::PART_ID, TargetChip), ProgramEnded);

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.section('\n', 0, 0), "USB communication failed");
    EXPECT_TRUE(services.messages[0].text.contains("no longer connected"));
    EXPECT_EQ(services.messages[0].title, "Error!");
    EXPECT_EQ(services.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(results.isOpen());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "stage 0  32768\r\n");
}

TEST_F(Fx2Link, BlankFx2sAreTakenOnlyWhenNamedByPort)
{
    sim::Fx2DeviceConfig a, b;
    a.blank = b.blank = true;
    a.ports = "2";
    b.ports = "3";
    plug({a, b});
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    EXPECT_TRUE(services.lastMessage().startsWith(kStartupFailure + "\nNo CV5320 board"));
    EXPECT_TRUE(services.lastMessage().contains("--board usb:1-2"));
    EXPECT_TRUE(bus->transfers().empty());

    // Named: the firmware goes to that one, and start-up writes our record.
    services.messages.clear();
    plug({a, b}, "1-3");
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    EXPECT_TRUE(services.lastMessage().startsWith("Device ID EEPROM has been initialised."));
    for (const auto& t : bus->transfers())
        ASSERT_EQ(t.port, "1-3");
    bus->replug("1-3");
    bool ours = false, otherStillBlank = false;
    for (const auto& d : bus->devices()) {
        if (d.portPath() == "1-3")
            ours = d.vendorId == BoardVendorId && d.productId == BoardProductId;
        if (d.portPath() == "1-2")
            otherStillBlank = d.vendorId == BlankFx2VendorId && d.productId == BlankFx2ProductId;
    }
    EXPECT_TRUE(ours);
    EXPECT_TRUE(otherStillBlank);
}

TEST_F(Fx2Link, SearchFindsTheBoardByEachRecordRow)
{
    auto b = std::make_unique<sim::EmulatedFx2>(services.clock());
    // Rows 0, 1 and 2 of the record table, and a product just past them.
    for (int i = 0; i < 4; ++i) {
        sim::Fx2DeviceConfig c;
        c.ports = QString::number(i + 2);
        auto& eeprom = b->plug(c).eeprom();
        const uint32_t pid = BoardProductId - 2 + static_cast<uint32_t>(i == 3 ? 4 : i);
        eeprom[3] = static_cast<uint8_t>(pid & 0xFF);
        eeprom[4] = static_cast<uint8_t>(pid >> 8);
    }
    access = std::make_unique<LibUsbAccess>(std::move(b));
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

TEST_F(Fx2Link, NoPermissionAndBusySayWhatToDo)
{
    sim::Fx2DeviceConfig board;
    board.openError = UsbAccessDenied;
    plug(board);
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    EXPECT_TRUE(services.lastMessage().startsWith(kStartupFailure + "\nNo permission"));
    EXPECT_TRUE(services.lastMessage().contains("60-cv5320.rules"));
    EXPECT_TRUE(services.lastMessage().contains("udevadm control --reload-rules"));

    board.openError = 0;
    board.claimError = UsbBusy;
    plug(board);
    EXPECT_THROW(runStartup(*access, folder.path()), ProgramEnded);
    EXPECT_TRUE(services.lastMessage().contains("busy")) << services.lastMessage().toStdString();
}

TEST_F(Fx2Link, RequestTheFirmwareRefusesIsAFailedTransfer)
{
    plug();
    firmware(hexText({{0, QByteArray::fromHex("020080")}}));
    runStartup(*access, folder.path());
    simulated[0]->failRequestNumber(simulated[0]->requestCount() + 2);
    ReadRegister(reg::PART_ID, TargetChip);
    EXPECT_THROW(WriteRegister(0x080, 0x1234, TargetChip), ProgramEnded);
    EXPECT_EQ(services.lastMessage(),
              "USB communication failed\nRequest 0xDD failed: the board refused the request "
              "(stall).");
}
