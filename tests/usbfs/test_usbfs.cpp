// The real board's path through the real libusb: the emulated FX2 on a mock
// usbfs bus. Its own program, because the preload redirects all of /sys here.
#include "link/LibUsbAccess.h"
#include "link/RegMap.h"
#include "link/Startup.h"
#include "link/UsbUtils.h"
#include "sim/usbfs/UsbfsBus.h"
#include "support/FakeServices.h"
#include "support/HexText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace cv;
using namespace cv::test;
using Transfer = sim::EmulatedFx2::Transfer;

namespace {

// Real time: the bus answers on its own thread while libusb waits.
struct RealTimeServices : FakeServices {
    SteadyClock steady;
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    const Clock& clock() const override { return steady; }
};

const QByteArray kVector = QByteArray::fromHex("020100");
const QString kStartupFailure =
    QStringLiteral("ERROR: Can Not Download the Firmware onto Evaluation Board\n");

struct Usbfs : ::testing::Test {
    RealTimeServices services;
    QTemporaryDir folder;
    // The bus outlives libusb's context (declared first, destroyed last).
    std::unique_ptr<sim::UsbfsBus> bus;
    std::unique_ptr<LibUsbAccess> access;

    void SetUp() override
    {
        if (!sim::underUsbfsPreload())
            GTEST_SKIP() << "umockdev's preload (" << sim::usbfsPreloadLibrary().toStdString()
                         << ") is not loaded: install umockdev (scripts/setup.sh)";
        bus = std::make_unique<sim::UsbfsBus>();
    }
    ~Usbfs() override
    {
        attachLink(nullptr, 0);
        access.reset();
    }
    sim::SimBoard& plug(const QString& ports, bool blank = false)
    {
        sim::Fx2DeviceConfig c;
        c.ports = ports;
        c.blank = blank;
        c.replyBytes = 6; // header and one word: the rest of the buffer stays
        return bus->plug(c);
    }
    // Start-up as the programs run it; the message it ended with, if any.
    QString start(const QByteArray& image, const QString& port = {})
    {
        QFile f(folder.filePath(kFirmwareFileName));
        f.open(QIODevice::WriteOnly);
        f.write(image);
        f.close();
        access = std::make_unique<LibUsbAccess>(makeLibUsbBackend(), port);
        try {
            runStartup(*access, folder.path());
        } catch (const ProgramEnded&) {
            return services.lastMessage();
        }
        return {};
    }
};

// usbfs-board running `args` on a bus of its own (this process's preload left out).
std::unique_ptr<QProcess> usbfsBoard(const QStringList& args)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"LD_PRELOAD", "UMOCKDEV_DIR", "CV_USBFS_REEXEC"})
        env.remove(v);
    p->setProcessEnvironment(env);
    p->start(CV_BIN_DIR "/usbfs-board", args);
    return p;
}

Transfer load(uint16_t at, const QByteArray& bytes)
{
    const auto n = static_cast<uint16_t>(bytes.size());
    return {"1-2", 0x40, 0xA0, at, 0, n, n, bytes};
}

} // namespace

TEST_F(Usbfs, DownloadReturnsAtTheSamePortAndShortRepliesKeepTheBufferTail)
{
    plug("2");
    const QByteArray code = countingBytes(2500);
    ASSERT_EQ(start(hexText({{0, kVector}, {0x0100, code}})).toStdString(), "");

    const std::vector<Transfer> expected = {
        load(0xE600, "\x01"),
        load(0x0000, kVector),
        load(0x0100, code.mid(0, 1024)),
        load(0x0500, code.mid(1024, 1024)),
        load(0x0900, code.mid(2048)),
        load(0xE600, QByteArray(1, '\0')),
        // Back under a new address at the same port: the firmware check,
        // then start-up's chip identity and EEPROM record.
        {"1-2", 0xC0, 0xDD, 0x0401, 0, 64, 6, {}},
        {"1-2", 0xC0, 0xDD, 0x8417, 0, 64, 6, {}},
        {"1-2", 0xC0, 0xE2, 0x0003, 2, 64, 6, {}},
    };
    EXPECT_EQ(bus->transfers(), expected);

    auto& buffer = usbLink().TransferBuffer;
    buffer.fill(0xA5);
    EXPECT_EQ(ReadRegister(reg::PART_ID, TargetChip), 0x5322);
    for (size_t i = 6; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xA5) << i;
}

TEST_F(Usbfs, StartUpTakesTheBoardAtTheNamedPortOrSaysWhy)
{
    struct Row {
        const char* name;
        bool blank;   // the board at 1-3 is an unprogrammed FX2
        QString port; // --board usb:PORT
        QString ends; // start-up's message (empty: the board was taken)
        QString takenAt;
    };
    const Row rows[] = {
        {"blank, not named", true, "",
         kStartupFailure +
             "No CV5320 board is connected. An "
             "unprogrammed FX2 (04B4:8613) is at 1-3; if it is the board, name it with --board "
             "usb:1-3.",
         ""},
        {"blank, named", true, "1-3",
         "Device ID EEPROM has been initialised. Please "
         "disconnect and reconnect the board, and re-launch application.",
         "1-3"},
        {"two boards, first", false, "1-2", "", "1-2"},
        {"two boards, second", false, "1-3", "", "1-3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        access.reset();
        bus.reset(); // one mock bus at a time in a process
        bus = std::make_unique<sim::UsbfsBus>();
        services.messages.clear();
        if (!row.blank)
            plug("2");
        sim::SimBoard& third = plug("3", row.blank);
        EXPECT_EQ(start(hexText({{0, kVector}}), row.port).toStdString(), row.ends.toStdString());
        for (const auto& t : bus->transfers())
            ASSERT_EQ(t.port, row.takenAt);
        if (row.ends.isEmpty())
            EXPECT_EQ(access->boardLocation().toStdString(),
                      "bus 1, port " + row.takenAt.mid(2).toStdString());
        if (row.blank && !row.port.isEmpty()) {
            const auto e = third.eeprom();
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(e.data()), 8).toHex(),
                      "c009122253000000");
        }
    }
}

// The programs themselves under usbfs-board, as an engineer rehearses a board
// that fails: every failure on the fatal path, saying what happened (the
// results file being written ends whole: LiveViewFaults).
TEST_F(Usbfs, ProgramsEndOnTheFatalPathForEachFailureOfTheBoard)
{
    struct Row {
        QString fail;
        QString says;
    };
    const Row rows[] = {
        {"stall:40", "USB communication failed\nRequest 0xDD failed: the board refused the "
                     "request (stall)."},
        {"timeout:40", "USB communication failed\nRequest 0xDD failed: no answer within 1 s."},
        {"unplug:1500", "USB communication failed\nRequest 0xDD failed: the board is no longer "
                        "connected."},
        {"busy", kStartupFailure + "The board at 1-2 is busy: another program is using it."},
        {"noperm", kStartupFailure + "No permission to open the board at 1-2. Install the udev "
                                     "rule"},
    };
    // All at once: each has its own bus.
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const Row& row : rows) {
        const QString out = folder.filePath(row.fail.section(':', 0, 0) + ".txt");
        runs.push_back(usbfsBoard({"--fail", row.fail, "--", "cv5320ctl", "--board", "usb",
                                   "stream", "--seconds", "4", "--out", out}));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.fail.toStdString());
        ASSERT_TRUE(runs[i]->waitForFinished(30000));
        EXPECT_EQ(runs[i]->exitCode(), 1);
        const QString err = QString::fromLocal8Bit(runs[i]->readAllStandardError());
        EXPECT_TRUE(err.startsWith(row.says)) << err.toStdString();
    }
}

// Debian's own tools against the emulated board, as on the desk: fxload
// downloads the firmware into a blank FX2 over plain usbfs, the board comes
// back as ours, and lsusb lists it, draws the port tree and reads it through.
TEST_F(Usbfs, DebianToolsLoadListAndReadTheEmulatedBoard)
{
    for (const char* tool : {"fxload", "cycfx2prog", "lsusb"})
        if (QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin"}).isEmpty())
            GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";
    // Each loader on a blank board of its own; the board is then listed and read.
    for (const char* loader :
         {"fxload -t fx2 -D /dev/bus/usb/001/002 -I \"$0\"", "cycfx2prog prg:\"$0\" run"}) {
        SCOPED_TRACE(loader);
        const auto p = usbfsBoard(
            {"--blank", "--", "/bin/sh", "-c",
             QStringLiteral("PATH=$PATH:/usr/sbin; %1 || exit 10\n"
                            "for i in $(seq 50); do lsusb -d 1209:5323 && break; sleep 0.1; done\n"
                            "lsusb && lsusb -t && lsusb -v -d 1209:5323")
                 .arg(QLatin1String(loader)),
             CV_BIN_DIR "/CV5320 Protocol FX2 - Version 4.hex"});
        ASSERT_TRUE(p->waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(p->readAllStandardOutput());
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString() << out.toStdString();
        EXPECT_FALSE(out.contains("04b4:8613"));
        // The tree: the root hub, the board at port 2 under its new address
        // (class and driver names come from the machine's hardware database).
        for (const char* line :
             {"Bus 001 Device 003: ID 1209:5323", "iProduct +2 CV5320 Evaluation Board",
              "/:  Bus 01\\.Port 1: Dev 1, Class=root_hub, Driver=[^,]*/8p, 480M\\n"
              " *\\|__ Port 2: Dev 3, If 0, Class=[^,]*, Driver=[^,]*, 480M\\n",
              "bNumInterfaces +1", "Device Status: +0x0000"})
            EXPECT_TRUE(out.contains(QRegularExpression(line))) << line << out.toStdString();
    }
}

int main(int argc, char** argv)
{
    sim::reexecUnderUsbfsPreload(argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
