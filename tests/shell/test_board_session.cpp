// The session's choice of board, and the emulated FX2 behind --board fx2-emu.
#include "link/Startup.h"
#include "link/UsbUtils.h"
#include "shell/BoardSession.h"
#include "support/Captions.h"
#include "support/FakeServices.h"
#include "support/Files.h"
#include "support/SimRig.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

TEST(BoardSession, BoardAndFaultOptions)
{
    struct Case {
        const char* text;
        BoardChoice::Kind kind;
        int simBoardId;
        const char* usbPort;
    };
    const Case good[] = {
        {"", BoardChoice::Auto, 58, ""},
        {"usb", BoardChoice::Usb, 58, ""},
        {"sim", BoardChoice::Sim, 58, ""},
        {"sim:70", BoardChoice::Sim, 70, ""},
        {"sim:1", BoardChoice::Sim, 1, ""},
        {"fx2-emu", BoardChoice::Fx2Emu, 58, ""},
        {"usb:3-1.2", BoardChoice::Usb, 58, "3-1.2"},
    };
    for (const auto& c : good) {
        const auto b = parseBoardOption(c.text);
        ASSERT_TRUE(b) << c.text;
        EXPECT_EQ(b->kind, c.kind) << c.text;
        EXPECT_EQ(b->simBoardId, c.simBoardId) << c.text;
        EXPECT_EQ(b->usbPort, c.usbPort) << c.text;
    }
    for (const char* bad : {"sim:x", "sim:0", "sim:2", "sim:57", "sim:71", "serial",
                            "usb:", "usb:1", "usb:-2", "usb:1-2.", "usb:a-b", "fx2"})
        EXPECT_FALSE(parseBoardOption(bad)) << bad;

    const std::tuple<const char*, SimFault::Kind, int64_t> faults[] = {
        {"request=1", SimFault::Request, 1},
        {"after=0", SimFault::After, 0},
        {"after=1000000000000", SimFault::After, 1'000'000'000'000}};
    for (const auto& [text, kind, at] : faults) {
        const auto f = parseSimFault(text);
        ASSERT_TRUE(f) << text;
        EXPECT_EQ(f->kind, kind);
        EXPECT_EQ(f->at, at);
    }
    for (const char* bad : {"request=0", "request=-1", "after=", "after=1e3", "later=5", "request",
                            "after=1000000000001", ""})
        EXPECT_FALSE(parseSimFault(bad)) << bad;
}

TEST(BoardSession, EmulatedFx2RunsTheWholeUsbPathAndTheTraceShowsTheLoad)
{
    FakeServices services;
    QTemporaryDir dir;
    writeFile(dir.filePath(kFirmwareFileName), standInFirmware());

    const BoardOptions options{"fx2-emu", dir.filePath("usb.log")};
    QString error;
    auto session = BoardSession::create(options, services.clock(), &error);
    ASSERT_TRUE(session) << error.toStdString();
    ASSERT_TRUE(session->simulatedBoard());
    runStartup(session->access(), dir.path());
    EXPECT_TRUE(services.messages.empty()) << services.lastMessage().toStdString();
    EXPECT_EQ(boardText(session->description(), session->access()),
              "Emulated FX2 board at bus 1, port 2");
    EXPECT_EQ(readBoardId(), 58);
    attachLink(nullptr, 0);
    session.reset();

    // CPU held, the image's two runs, CPU let go, the firmware's answer after
    // the board was away for the emulated delay (on virtual time), then
    // start-up's reads, with their buffers.
    expectGolden(QString::fromLatin1(fileBytes(options.usbLog)), "shell/fixtures/fx2-emu-usb.log");
}
