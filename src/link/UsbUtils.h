#pragma once
// The register transport: the only path by which registers are read and
// written. It owns the board handle and the one transfer buffer of the run.

#include "link/UsbAccess.h"
#include "link/VendorRequest.h"

#include <array>
#include <cstdint>

namespace cv {

struct UsbLink {
    UsbAccess* access = nullptr;
    int32_t BoardHandle = 0;
    // 65 elements, bytes 0..63 travel; never cleared between transfers.
    std::array<uint8_t, 65> TransferBuffer{};
};

UsbLink& usbLink();
// Binds the transport to a connected board (start-up does this).
void attachLink(UsbAccess* access, int32_t handle);

// Reads Count (1..28) consecutive registers into Values[0..Count-1]. Status
// receives byte 2 of the reply. A reply echoing another address leaves
// Values untouched. Any transfer failure ends the program.
void ReadRegisters(int16_t Address, int32_t Count, int16_t Target, uint16_t Index, int16_t& Status,
                   int32_t* Values);
// Writes one 16-bit value; no pause, no read-back.
void WriteRegister(int16_t Address, int32_t Value, int16_t Target);
// Configuration EEPROM; Bytes holds one byte value per element.
void ReadBoardEeprom(int32_t EepromAddress, int32_t ByteCount, int32_t* Bytes);
void WriteBoardEeprom(int32_t EepromAddress, int32_t ByteCount, const int32_t* Bytes);

// The reply of a register read in the transfer buffer: Status is byte 2;
// Values get Count words from the data offset on when the echoed address is
// Address. Overrun: the words would run past byte 63.
enum class ReplyFit { Taken, OtherAddress, Overrun };
ReplyFit decodeRegisterReply(const uint8_t* buffer64, int16_t Address, int32_t Count,
                             int16_t& Status, int32_t* Values);

void WordToBits(int32_t Value, int16_t Bits[16]);
int32_t BitsToWord(const int16_t Bits[16]);

// Conveniences over ReadRegisters/WriteRegister.
// One register, Index 0; the status is dropped.
int32_t ReadRegister(int16_t Address, int16_t Target = TargetChip);
// Read-modify-write: (old AND keepMask) OR bits.
int32_t UpdateRegister(int16_t Address, int32_t keepMask, int32_t bits,
                       int16_t Target = TargetChip);

} // namespace cv
