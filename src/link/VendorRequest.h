#pragma once
#include <cstdint>

namespace cv {

// Vendor request codes of the board firmware.
enum class VendorRequest : uint8_t {
    // Register read (direction 1, 64 bytes):
    //   value  = address (bits 9..0) | count (bits 14..10) | target (bit 15)
    //   index  = 0 for ordinary reads, 1 to fetch a captured block
    //   reply  byte 0 address bits 7..0; byte 1 address bits 9..8 (bits 1..0)
    //          and the data offset (bits 7..2); byte 2 status (1 = new block);
    //          big-endian words from the data offset on.
    // Register write (direction 0, 64 bytes):
    //   value = 0, index = 64
    //   bytes 60 address bits 9..4; 61 target (bit 7) | address bits 3..0;
    //   62 value high byte; 63 value low byte.
    Register = 0xDD,
    // Configuration EEPROM read (direction 1): value = EEPROM address,
    //   index = byte count; reply bytes 0..count-1.
    EepromRead = 0xE2,
    // Configuration EEPROM write (direction 0): value = EEPROM address,
    //   index = byte count; bytes 0..count-1 to write.
    EepromWrite = 0xE5,
};

constexpr int16_t TargetBoard = 0;
constexpr int16_t TargetChip = 1;
constexpr int kTransferLength = 64;
constexpr int kMaxReadCount = 28;

} // namespace cv
