#pragma once
// Bit fields of the bank 1 control registers that the configuration dialogs
// edit. A field is an address, a mask and a multiplier: its value is
// (word AND mask) / multiplier, and a new value goes in as
// (word AND NOT mask) OR (value × multiplier). Every change is a
// read-modify-write of the chip register at the moment of the change.

#include "link/RegMap.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace cv {

struct RegField {
    int16_t address;
    int32_t mask;
    int32_t multiplier;

    int32_t of(int32_t word) const { return (word & mask) / multiplier; }
    int32_t keepMask() const { return 0xFFFF & ~mask; }
    int32_t with(int32_t word, int32_t value) const
    {
        return (word & keepMask()) | ((value * multiplier) & mask);
    }
};

namespace field {
// PWR_CONTROL
inline constexpr RegField POWER_MODE{reg::PWR_CONTROL, 0x0003, 1};
inline constexpr RegField LP_CONV_DELAY{reg::PWR_CONTROL, 0x000C, 4};
inline constexpr RegField SEQUENCE_STAGE_NUM{reg::PWR_CONTROL, 0x00F0, 16};
inline constexpr RegField DECIMATION{reg::PWR_CONTROL, 0x0300, 256};
inline constexpr RegField SW_RESET{reg::PWR_CONTROL, 0x0400, 1024};
inline constexpr RegField INT_POL{reg::PWR_CONTROL, 0x0800, 2048};
inline constexpr RegField EXCITATION_SOURCE_DISABLE{reg::PWR_CONTROL, 0x1000, 4096};
inline constexpr RegField FLOATING_MODE{reg::PWR_CONTROL, 0x2000, 8192};

// STAGE_CAL_EN
inline constexpr RegField STAGE_CAL_EN{reg::STAGE_CAL_EN, 0x0FFF, 1};
inline constexpr RegField AVG_FP_SKIP{reg::STAGE_CAL_EN, 0x3000, 4096};
inline constexpr RegField AVG_LP_SKIP{reg::STAGE_CAL_EN, 0xC000, 16384};

// AMB_COMP_CTRL0
inline constexpr RegField FF_SKIP_CNT{reg::AMB_COMP_CTRL0, 0x000F, 1};
inline constexpr RegField FP_PROXIMITY_CNT{reg::AMB_COMP_CTRL0, 0x00F0, 16};
inline constexpr RegField LP_PROXIMITY_CNT{reg::AMB_COMP_CTRL0, 0x0F00, 256};
inline constexpr RegField PWR_DOWN_TIMEOUT{reg::AMB_COMP_CTRL0, 0x3000, 4096};
inline constexpr RegField FORCE_CAL{reg::AMB_COMP_CTRL0, 0x4000, 16384};
inline constexpr RegField CONV_RESET{reg::AMB_COMP_CTRL0, 0x8000, 32768};

// AMB_COMP_CTRL1
inline constexpr RegField PROXIMITY_RECAL_LVL{reg::AMB_COMP_CTRL1, 0x00FF, 1};
inline constexpr RegField PROXIMITY_DETECTION_RATE{reg::AMB_COMP_CTRL1, 0x3F00, 256};
inline constexpr RegField SLOW_FIFO_LVL{reg::AMB_COMP_CTRL1, 0xC000, 16384};

// AMB_COMP_CTRL2
inline constexpr RegField FP_PROXIMITY_RECAL{reg::AMB_COMP_CTRL2, 0x03FF, 1};
inline constexpr RegField LP_PROXIMITY_RECAL{reg::AMB_COMP_CTRL2, 0xFC00, 1024};

// Interrupt enables
inline constexpr RegField STAGE_LOW_INT_EN{reg::STAGE_LOW_INT_EN, 0x0FFF, 1};
inline constexpr RegField GPIO_SETUP{reg::STAGE_LOW_INT_EN, 0x3000, 4096};
inline constexpr RegField GPIO_INPUT_CONFIG{reg::STAGE_LOW_INT_EN, 0xC000, 16384};
inline constexpr RegField STAGE_HIGH_INT_EN{reg::STAGE_HIGH_INT_EN, 0x0FFF, 1};
inline constexpr RegField STAGE_COMPLETE_INT_EN{reg::STAGE_COMPLETE_INT_EN, 0x0FFF, 1};
inline constexpr RegField GPIO_INT_EN{reg::STAGE_COMPLETE_INT_EN, 0x1000, 4096};
} // namespace field

// Reads the field's register, replaces the field and writes the word back;
// returns the word written.
int32_t UpdateField(const RegField& f, int32_t value);
// The same for a one-shot command bit: the bit is cleared, then set.
int32_t SetCommandBit(const RegField& f);

// Twelve per-stage flags (bit n = stage n) merged into bits 11..0 of a word
// read from the chip, bits 15..12 kept as read.
int32_t withStageFlags(int32_t word, const bool flags[12]);

// Items of the drop-down lists; the index of an item is its field value.
QStringList powerModeItems();
QStringList convDelayItems();
QStringList gpioSetupItems();
QStringList gpioInputConfigItems();
QStringList fullPowerSkipItems();
QStringList lowPowerSkipItems();
QStringList powerDownTimeoutItems();
// The numbers 0..last, each with its leading blank (" 0" .. " 15").
QStringList blankNumberItems(int last);

} // namespace cv
