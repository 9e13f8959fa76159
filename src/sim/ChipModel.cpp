#include "sim/ChipModel.h"

#include "link/RegMap.h"

namespace cv::sim {

ChipModel::ChipModel(const Clock& clock, uint64_t seed) : clock_(clock), seed_(seed)
{
    powerOnReset();
}

void ChipModel::powerOnReset()
{
    regs_.fill(0);
    regs_[reg::PART_ID] = 0x5322;
    for (int s = 0; s < reg::kStages; ++s)
        for (int k = 0; k < reg::kBank3Words; ++k)
            regs_[reg::bank3(s, k)] = 0;
    lastUs_ = clock_.nowUs();
}

void ChipModel::catchUp() { lastUs_ = clock_.nowUs(); }

uint16_t ChipModel::read(int address)
{
    catchUp();
    return regs_[address & 0x3FF];
}

void ChipModel::write(int address, uint16_t value)
{
    catchUp();
    const int a = address & 0x3FF;
    if (a == reg::PART_ID)
        return; // read-only
    regs_[a] = value;
}

} // namespace cv::sim
