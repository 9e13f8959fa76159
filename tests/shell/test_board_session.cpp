// The session's choice of board, and the emulated FX2 behind --board fx2-emu.
#include "link/UsbUtils.h"
#include "shell/BoardSession.h"
#include "shell/Startup.h"
#include "support/FakeServices.h"
#include "support/SimRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

TEST(BoardSession, BoardOptionNamesAUsbPortOrTheEmulatedFx2)
{
    EXPECT_EQ(parseBoardOption("fx2-emu")->kind, BoardChoice::Fx2Emu);
    const auto port = parseBoardOption("usb:3-1.2");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->kind, BoardChoice::Usb);
    EXPECT_EQ(port->usbPort, "3-1.2");
    for (const char* bad : {"usb:", "usb:1", "usb:-2", "usb:1-2.", "usb:a-b", "fx2"})
        EXPECT_FALSE(parseBoardOption(bad)) << bad;
}

TEST(BoardSession, EmulatedFx2RunsTheWholeUsbPathAndTheTraceShowsTheLoad)
{
    FakeServices services;
    QTemporaryDir dir;
    QFile hex(dir.filePath(kFirmwareFileName));
    ASSERT_TRUE(hex.open(QIODevice::WriteOnly));
    hex.write(standInFirmware());
    hex.close();

    BoardOptions options;
    options.board = "fx2-emu";
    options.usbLog = dir.filePath("usb.log");
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

    QFile log(options.usbLog);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts);
    QStringList requests;
    for (const QString& l : lines)
        requests << l.section(' ', 1, 2);
    // CPU held, the image's two runs, CPU let go, the firmware's answer, then start-up's reads.
    EXPECT_EQ(requests.join(", ").toStdString(),
              "0xA0 0xE600, 0xA0 0x0000, 0xA0 0x0080, 0xA0 0xE600, 0xDD 0x0401, 0xDD 0x8417, "
              "0xE2 0x0003, 0xDD 0x0406");
    // The board was away for the emulated delay, on virtual time.
    EXPECT_GE(lines[5].section(' ', 0, 0).toInt(), 500);
}
