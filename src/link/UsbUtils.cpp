#include "link/UsbUtils.h"

#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "platform/Services.h"

namespace cv {

namespace {
UsbLink g_link;

void request(uint8_t code, uint32_t value, uint16_t index, uint8_t direction)
{
    UsbLink& l = g_link;
    if (!l.access)
        fatalUsbFailure();
    const int16_t st = l.access->Vendor_Request(l.BoardHandle, code, value, index, direction,
                                                kTransferLength, l.TransferBuffer.data());
    if (st != 0)
        fatalUsbFailure(l.access->failureDetail());
}
} // namespace

UsbLink& usbLink()
{
    return g_link;
}

void attachLink(UsbAccess* access, int32_t handle)
{
    g_link.access = access;
    g_link.BoardHandle = handle;
    captureOwner().reset();
}

void ReadRegisters(int16_t Address, int32_t Count, int16_t Target, uint16_t Index, int16_t& Status,
                   int32_t* Values)
{
    if (Count > kMaxReadCount) {
        services().message(
            QStringLiteral("You cannot read more than 28 registers.\r\nProgram will end."),
            MsgIcon::Exclamation, kAppTitle);
        services().endProgram(1);
    }
    services().sleepMs(5);
    const uint32_t value = (static_cast<uint32_t>(Address) & 0x3FF) |
                           ((static_cast<uint32_t>(Count) & 0x1F) << 10) |
                           ((static_cast<uint32_t>(Target) & 1) << 15);
    request(static_cast<uint8_t>(VendorRequest::Register), value, Index, 1);
    // A read that touches the part identifier ends the firmware's capture.
    if (Target == TargetChip && (Address & 0x3FF) <= reg::PART_ID &&
        (Address & 0x3FF) + Count > reg::PART_ID)
        captureOwner().captureEnded();

    // Words that would run past byte 63 cannot have come from the board.
    if (decodeRegisterReply(g_link.TransferBuffer.data(), Address, Count, Status, Values) ==
        ReplyFit::Overrun)
        fatalUsbFailure();
}

ReplyFit decodeRegisterReply(const uint8_t* b, int16_t Address, int32_t Count, int16_t& Status,
                             int32_t* Values)
{
    Status = b[2];
    const int echoed = b[0] | ((b[1] & 3) << 8);
    const int offset = (b[1] >> 2) & 0x3F;
    if (echoed != (Address & 0x3FF))
        return ReplyFit::OtherAddress;
    if (Count > 0 && offset + 2 * Count > kTransferLength)
        return ReplyFit::Overrun;
    for (int i = 0; i < Count; ++i)
        Values[i] = b[offset + 2 * i] * 256 + b[offset + 2 * i + 1];
    return ReplyFit::Taken;
}

void WriteRegister(int16_t Address, int32_t Value, int16_t Target)
{
    auto& b = g_link.TransferBuffer;
    b[60] = static_cast<uint8_t>((Address & 0x3F0) / 16);
    b[61] = static_cast<uint8_t>(((Target & 1) << 7) | (Address & 0x0F));
    b[62] = static_cast<uint8_t>((Value & 0xFF00) / 256);
    b[63] = static_cast<uint8_t>(Value & 0xFF);
    request(static_cast<uint8_t>(VendorRequest::Register), 0, 64, 0);
    if (Target == TargetBoard && (Address & 0x3FF) == reg::board::BoardStageSelect)
        captureOwner().modeWritten(Value & 0xFFFF);
}

void ReadBoardEeprom(int32_t EepromAddress, int32_t ByteCount, int32_t* Bytes)
{
    request(static_cast<uint8_t>(VendorRequest::EepromRead), static_cast<uint32_t>(EepromAddress),
            static_cast<uint16_t>(ByteCount), 1);
    for (int i = 0; i < ByteCount && i < kTransferLength; ++i)
        Bytes[i] = g_link.TransferBuffer[i];
}

void WriteBoardEeprom(int32_t EepromAddress, int32_t ByteCount, const int32_t* Bytes)
{
    for (int i = 0; i < ByteCount && i < kTransferLength; ++i)
        g_link.TransferBuffer[i] = static_cast<uint8_t>(Bytes[i]);
    request(static_cast<uint8_t>(VendorRequest::EepromWrite), static_cast<uint32_t>(EepromAddress),
            static_cast<uint16_t>(ByteCount), 0);
}

void WordToBits(int32_t Value, int16_t Bits[16])
{
    for (int i = 15; i >= 0; --i)
        Bits[i] = (Value >> i) & 1 ? 1 : 0;
}

int32_t BitsToWord(const int16_t Bits[16])
{
    int32_t w = 0;
    for (int i = 0; i < 16; ++i)
        w += Bits[i] * (1 << i);
    return w;
}

int32_t ReadRegister(int16_t Address, int16_t Target)
{
    int16_t status = 0;
    int32_t v[1] = {0};
    ReadRegisters(Address, 1, Target, 0, status, v);
    return v[0];
}

int32_t UpdateRegister(int16_t Address, int32_t keepMask, int32_t bits, int16_t Target)
{
    const int32_t next = (ReadRegister(Address, Target) & keepMask) | bits;
    WriteRegister(Address, next, Target);
    return next;
}

} // namespace cv
