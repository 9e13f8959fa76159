#include "config/DiagramOps.h"

#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"

namespace cv {

int32_t standardStageValue(int k)
{
    static const int32_t values[8] = {0xFFFF, 0x3FFF, 0x0000, 0x2626, 1000, 1000, 5000, 5000};
    return values[k & 7];
}

void InitialiseCinInputs()
{
    // Register by register across the stages, as the chip's own start-up does.
    for (int k = 0; k < 8; ++k)
        for (int stage = 0; stage < reg::kStages; ++stage) {
            WriteRegister(reg::bank2(stage, k), standardStageValue(k), TargetChip);
            services().sleepMs(10);
        }
    services().sleepMs(40);
    ForceCalibration();
    services().sleepMs(40);
}

void RequestEasySetup()
{
    UpdateRegister(reg::board::BoardControlWord, 0xFFFF, 0x0001, TargetBoard);
}

void ForceCalibration()
{
    UpdateRegister(reg::AMB_COMP_CTRL0, 0xFFFF, 0x4000, TargetChip);
}

HostInterface hostInterfaceOf(int32_t interfaceWord)
{
    if (interfaceWord == 0xFFFF)
        return HostInterface::None;
    return interfaceWord == 0 ? HostInterface::Spi : HostInterface::I2c;
}

std::array<QString, 6> interfacePinLabels(HostInterface kind)
{
    switch (kind) {
    case HostInterface::Spi:
        return {QStringLiteral("GPIO - 18"), QStringLiteral("INTB - 17"),
                QStringLiteral("CSB - 16"),  QStringLiteral("SCLK - 15"),
                QStringLiteral("SDI - 14"),  QStringLiteral("SD0 - 13")};
    case HostInterface::I2c:
        return {QStringLiteral("GPIO - 18"), QStringLiteral("INTB - 17"),
                QStringLiteral("ADD1 - 16"), QStringLiteral("SCL - 15"),
                QStringLiteral("ADD0 - 14"), QStringLiteral("SDA - 13")};
    case HostInterface::None: break;
    }
    return {QStringLiteral("GPIO - 18"), QStringLiteral("INTB - 17"), QStringLiteral("CSB - 16"),
            QStringLiteral("SCLK- 15"),  QStringLiteral("SDI - 14"),  QStringLiteral("SDO - 13")};
}

QString addressPinText(int32_t interfaceWord, int bit)
{
    return (interfaceWord >> bit) & 1 ? QStringLiteral("HI") : QStringLiteral("LO");
}

QString pin8Label(int32_t pwrControl)
{
    return pwrControl & 0x2000 ? QStringLiteral("SRC - 8") : QStringLiteral("ACSHIELD - 8");
}

QString stageSelectTimeoutMessage(int32_t word)
{
    return QStringLiteral("The evaluation board did not switch to mode 0x") + hexText(word) +
           QStringLiteral(".") + QStringLiteral("\r\n") +
           QStringLiteral("Check the board and its USB connection, then try again.");
}

bool AwaitStageSelect(int32_t word, int timeoutMs)
{
    int16_t status = 0;
    return AwaitStageSelect(word, status, timeoutMs);
}

bool AwaitStageSelect(int32_t word, int16_t& status, int timeoutMs)
{
    const ModeHandshake h = handshakeCaptureMode(word, timeoutMs);
    status = h.status;
    if (!h.held)
        services().message(stageSelectTimeoutMessage(word), MsgIcon::Exclamation);
    return h.held;
}

} // namespace cv
