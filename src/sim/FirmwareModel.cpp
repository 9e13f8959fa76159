#include "sim/FirmwareModel.h"

#include "link/RegMap.h"
#include "link/VendorRequest.h"

namespace cv::sim {

FirmwareModel::FirmwareModel(ChipModel& chip, const Clock& clock, int boardId, uint16_t interfaceWord)
    : chip_(chip), clock_(clock)
{
    board_[reg::board::FirmwareRevision] = kRevision;
    board_[reg::board::BoardId] = static_cast<uint16_t>(boardId);
    board_[reg::board::BoardInterfaceWord] = interfaceWord;
}

bool FirmwareModel::blockReady() const { return false; }

uint8_t FirmwareModel::readRegisters(int target, int address, int count, uint16_t index,
                                     uint16_t* words)
{
    for (int i = 0; i < count; ++i)
        words[i] = target == TargetChip ? chip_.read(address + i) : readBoard(address + i, index);
    return blockReady() ? 1 : 0;
}

void FirmwareModel::writeRegister(int target, int address, uint16_t value)
{
    if (target == TargetChip)
        chip_.write(address, value);
    else
        writeBoard(address, value);
}

uint16_t FirmwareModel::readBoard(int address, uint16_t /*index*/) { return board_[address & 0x3FF]; }

void FirmwareModel::writeBoard(int address, uint16_t value)
{
    const int a = address & 0x3FF;
    if (a == reg::board::FirmwareRevision || a == reg::board::BoardId)
        return; // read-only
    board_[a] = value;
}

} // namespace cv::sim
