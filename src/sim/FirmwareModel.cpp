#include "sim/FirmwareModel.h"

#include "link/RegMap.h"
#include "link/VendorRequest.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace cv::sim {

namespace {

constexpr int kFirstBlockWord = reg::board::CapturedData;
constexpr uint16_t kThresholdReporting = 0x0002, kAcceleration = 0x0004, kAutoscroll = 0x0008;

uint16_t signMagnitude(int v)
{
    return v < 0 ? static_cast<uint16_t>(0x8000 | std::min(-v, 0x7FFF))
                 : static_cast<uint16_t>(std::min(v, 0x7FFF));
}

// The stage of a single-stage capture word, or -1.
int captureStage(uint16_t mode)
{
    const uint16_t bits = mode & 0x0FFF;
    if ((mode & 0x7000) || bits == 0 || !std::has_single_bit(bits))
        return -1;
    return std::countr_zero(bits);
}

} // namespace

FirmwareModel::FirmwareModel(ChipModel& chip, const Clock& clock, int boardId,
                             uint16_t interfaceWord)
    : chip_(chip), clock_(clock), layout_(BoardLayout::forBoard(boardId))
{
    board_[reg::board::FirmwareRevision] = kRevision;
    board_[reg::board::BoardId] = static_cast<uint16_t>(boardId);
    board_[reg::board::BoardInterfaceWord] = interfaceWord;
    // Demo parameters: autoscroll after half a second, a list step per 16
    // slider positions, 128 positions, weights and displacement at 1.00.
    board_[reg::board::DemoSetting4] = 500;
    board_[reg::board::DemoSetting9] = 16;
    board_[0x03C] = 128;
    board_[0x03D] = 50;
    board_[0x03E] = 100;
    board_[0x03F] = 100;
    board_[0x040] = 100;
    chip_.setSequenceListener([this](int64_t us) { onSequence(us); });
}

bool FirmwareModel::blockReady() const
{
    return capturing_ && queued_ > 0;
}

void FirmwareModel::enqueue(const Block& b)
{
    ++produced_;
    if (queued_ == kQueueDepth) {
        // Full: the newest set matters more than the oldest one.
        head_ = (head_ + 1) % kQueueDepth;
        --queued_;
        ++overflow_;
    }
    queue_[static_cast<size_t>((head_ + queued_) % kQueueDepth)] = b;
    ++queued_;
}

uint8_t FirmwareModel::readRegisters(int target, int address, int count, uint16_t index,
                                     uint16_t* words)
{
    chip_.catchUp();
    if (target == TargetChip) {
        for (int i = 0; i < count; ++i)
            words[i] = chip_.readCaughtUp(address + i);
        if ((address & 0x3FF) == reg::PART_ID) {
            capturing_ = false; // the host's way of ending a capture
            clearQueue();
        }
    } else {
        if (index == 1 && (address & 0x3FF) == kFirstBlockWord && blockReady()) {
            // Fetching takes the oldest block; it becomes the captured data,
            // so the reads from 26 and 41 that follow see the same block.
            const Block& b = queue_[static_cast<size_t>(head_)];
            std::copy(b.begin(), b.end(), board_.begin() + kFirstBlockWord);
            head_ = (head_ + 1) % kQueueDepth;
            --queued_;
            ++fetched_;
        }
        for (int i = 0; i < count; ++i)
            words[i] = readBoard(address + i, index);
    }
    return blockReady() ? 1 : 0;
}

void FirmwareModel::writeRegister(int target, int address, uint16_t value)
{
    if (target == TargetChip)
        chip_.write(address, value);
    else
        writeBoard(address, value);
}

uint16_t FirmwareModel::readBoard(int address, uint16_t /*index*/)
{
    return board_[address & 0x3FF];
}

void FirmwareModel::writeBoard(int address, uint16_t value)
{
    const int a = address & 0x3FF;
    if (a == reg::board::FirmwareRevision || a == reg::board::BoardId)
        return; // read-only
    if (a == reg::board::BoardControlWord && (value & 1)) {
        easySetup();
        value &= 0xFFFE; // done
    }
    board_[a] = value;
    if (a == reg::board::BoardStageSelect)
        startCapture(value);
}

void FirmwareModel::startCapture(uint16_t mode)
{
    chip_.catchUp();
    capturing_ = true;
    clearQueue(); // nothing older than the command counts as new
    demo_ = Demo{};
    if (mode == reg::board::DemoMode || mode == reg::board::SliderMode ||
        mode == reg::board::JoyPadMode) {
        // A demo starts by reporting what the sensors show now (a key already
        // held is reported, but as no new press).
        runDemo(clock_.nowUs() / 1000);
        demo_.latch0 = demo_.latch1 = 0;
        for (int i = 0; i < kEntryBlocks; ++i)
            enqueue(buildBlock());
    }
    seen_ = buildBlock();
    seenLow_ = chip_.peek(reg::STAGE_LOW_INT_STATUS);
    seenHigh_ = chip_.peek(reg::STAGE_HIGH_INT_STATUS);
    seenProx_ = chip_.proximityStatus();
}

void FirmwareModel::easySetup()
{
    chip_.catchUp();
    chip_.write(reg::PWR_CONTROL, 0x00B0); // full power, twelve stages, decimation 256
    const int64_t now = clock_.nowUs();
    for (int s = 0; s < reg::kStages; ++s) {
        uint32_t codes = 0x3FFFFFF; // every input on bias
        if (s < static_cast<int>(layout_.electrodes.size())) {
            const int cin = layout_.electrodes[s].cin;
            codes &= ~(3u << (2 * cin));
            codes |= 2u << (2 * cin); // the sensor on the positive input
        }
        chip_.write(reg::bank2(s, reg::CIN0_6_SETUP),
                    static_cast<uint16_t>(0xC000 | (codes & 0x3FFF)));
        chip_.write(reg::bank2(s, reg::CIN7_13_SETUP),
                    static_cast<uint16_t>((codes >> 14) & 0x0FFF));
        chip_.write(reg::bank2(s, reg::AFE_OFFSET), 0);
        // The positive offset that brings the untouched sensor to mid-scale.
        const double excessPf = (chip_.idealResult(s, now) - 32768.0) / ChipModel::kCountsPerPf;
        int steps = static_cast<int>(std::lround(excessPf / ChipModel::kOffsetStepPf));
        if (s >= static_cast<int>(layout_.electrodes.size()))
            steps = 0;
        chip_.write(reg::bank2(s, reg::AFE_OFFSET),
                    static_cast<uint16_t>(std::clamp(steps, 0, 63) << 8));
        chip_.write(reg::bank2(s, reg::SENSITIVITY), 0x2626);
        chip_.write(reg::bank2(s, reg::OFFSET_LOW), 1600);
        chip_.write(reg::bank2(s, reg::OFFSET_HIGH), 1600);
        chip_.write(reg::bank2(s, reg::OFFSET_HIGH_CLAMP), 5000);
        chip_.write(reg::bank2(s, reg::OFFSET_LOW_CLAMP), 5000);
    }
    const uint16_t used =
        static_cast<uint16_t>((1u << std::min<size_t>(12, layout_.electrodes.size())) - 1);
    chip_.write(reg::STAGE_CAL_EN,
                static_cast<uint16_t>(0x1000 | used)); // slow FIFO every 7 fast updates
    chip_.write(reg::AMB_COMP_CTRL1, 0x0164);
    chip_.write(reg::AMB_COMP_CTRL2, static_cast<uint16_t>((32 << 10) | 500));
    chip_.write(reg::STAGE_LOW_INT_EN, 0x0000);
    chip_.write(reg::STAGE_HIGH_INT_EN, used);
    chip_.write(reg::STAGE_COMPLETE_INT_EN, 0x0000);
    chip_.write(reg::AMB_COMP_CTRL0, 0x4240); // proximity counts 4 and 2, and a forced calibration
}

void FirmwareModel::onSequence(int64_t us)
{
    if (!capturing_)
        return;
    const uint16_t mode = board_[reg::board::BoardStageSelect];
    const bool demoMode = mode == reg::board::DemoMode || mode == reg::board::SliderMode ||
                          mode == reg::board::JoyPadMode;
    if (demoMode)
        runDemo(us / 1000);
    const uint16_t low = chip_.peek(reg::STAGE_LOW_INT_STATUS),
                   high = chip_.peek(reg::STAGE_HIGH_INT_STATUS), prox = chip_.proximityStatus();
    bool fresh = true;
    if (board_[reg::board::BoardControlWord] & kThresholdReporting) {
        // Threshold reporting: a block only when something a user sees changes.
        if (demoMode) {
            const Block b = buildBlock();
            fresh = b != seen_ || demo_.keys || demo_.sliderActive;
            seen_ = b;
        } else {
            fresh = low != seenLow_ || high != seenHigh_ || prox != seenProx_;
        }
    }
    seenLow_ = low;
    seenHigh_ = high;
    seenProx_ = prox;
    if (fresh) {
        enqueue(buildBlock());
        // A key's step command goes out in one block only.
        demo_.latch0 = demo_.latch1 = 0;
    }
}

void FirmwareModel::runDemo(int64_t ms)
{
    Demo& d = demo_;
    const uint16_t high = chip_.peek(reg::STAGE_HIGH_INT_STATUS);
    auto active = [&](int electrode) { return (high >> electrode) & 1; };
    // Key bits: down, up, left, right, centre. A finger on the middle of the
    // pad reaches three or four pads at once.
    const int pads[4] = {layout_.down, layout_.up, layout_.left, layout_.right};
    uint16_t keys = 0;
    int count = 0;
    for (int k = 0; k < 4; ++k)
        if (active(pads[k])) {
            keys |= 1u << k;
            ++count;
        }
    if (count >= 3)
        keys = 0x10;
    else if (count == 2)
        keys = static_cast<uint16_t>(keys & (~keys + 1)); // of two pads the first one wins
    const uint16_t ctl = board_[reg::board::BoardControlWord];
    const uint16_t mode = board_[reg::board::BoardStageSelect];
    const int autoscrollMs = std::max<int>(50, board_[reg::board::DemoSetting4]);
    for (int k = 0; k < 5; ++k) {
        const bool down = keys & (1u << k), was = d.keys & (1u << k);
        // Step and move commands of each key: down, up, left, right.
        static constexpr uint16_t kListCmd[5] = {0x20, 0x40, 0, 0, 0};
        static constexpr uint16_t kPadCmd[5] = {0x20, 0x40, 0x80, 0x100, 0};
        const uint16_t cmd = mode == reg::board::JoyPadMode ? kPadCmd[k] : kListCmd[k];
        if (down && !was) {
            d.keyDownMs[k] = ms;
            d.nextRepeatMs[k] = ms + autoscrollMs;
            d.repeatMs[k] = 250;
            if (mode != reg::board::JoyPadMode)
                d.latch0 |= cmd; // the key itself steps the list once
        } else if (down && cmd && (ctl & kAutoscroll) && ms >= d.nextRepeatMs[k]) {
            // Held past the autoscroll time: repeat, faster with acceleration.
            d.latch0 |= cmd;
            if (ctl & kAcceleration)
                d.repeatMs[k] = std::max(60, d.repeatMs[k] * 3 / 4);
            d.nextRepeatMs[k] = ms + d.repeatMs[k];
        }
    }
    d.keys = keys;

    trackSlider(ms);
}

void FirmwareModel::trackSlider(int64_t ms)
{
    Demo& d = demo_;
    const uint16_t high = chip_.peek(reg::STAGE_HIGH_INT_STATUS);
    // Levels above the ambient, and the finger's centre of gravity.
    double maxLevel = 0, total = 0;
    d.segFlags = 0;
    for (int i = 0; i < 8; ++i) {
        const int s = layout_.slider[i];
        const double lv = std::max(0, int(chip_.peek(reg::bank3(s, reg::CONV_DATA))) -
                                          int(chip_.peek(reg::bank3(s, reg::SF_AMB))));
        d.levels[i] = lv;
        maxLevel = std::max(maxLevel, lv);
        total += lv;
        if ((high >> s) & 1)
            d.segFlags |= 1u << i;
    }
    const bool on = d.segFlags != 0;
    if (!on) {
        // A short touch that stayed put, and so stepped nothing, is a tap;
        // the touch lasted until the signal began to leave.
        const int64_t lasted = (d.leaving ? d.leftMs : ms) - d.sliderStartMs;
        if (d.tracked && lasted < 350 && d.lastStepPos == d.sliderStartPos &&
            std::abs(d.pos - d.sliderStartPos) < 24)
            d.latch1 |= static_cast<uint16_t>(0xC000 | d.pos);
        d.sliderActive = d.tracked = d.leaving = false;
        d.peak = 0;
        return;
    }
    if (!d.sliderActive) {
        d.sliderActive = true;
        d.sliderStartMs = ms;
        d.peak = 0;
        d.leaving = d.tracked = false;
    }
    if (total <= 0)
        return; // flagged, but nothing above the ambient yet
    // The status flags outlast the finger by a few conversions: while the
    // signal is leaving, the centre of gravity is the noise's.
    d.peak = std::max(d.peak, total);
    if (d.leaving || total < 0.5 * d.peak) {
        if (!d.leaving)
            d.leftMs = ms;
        d.leaving = true;
        return;
    }
    double sum = 0, weighted = 0;
    for (int i = 0; i < 8; ++i)
        if (d.levels[i] > 0.2 * maxLevel) {
            sum += d.levels[i];
            weighted += i * d.levels[i];
        }
    const int raw = std::clamp(
        sum > 0 ? static_cast<int>(std::lround(weighted / sum / 7.0 * 255.0)) : 0, 0, 255);
    const int res = std::max<int>(1, board_[reg::board::DemoSetting9]);
    if (!d.tracked) {
        d.tracked = true;
        d.pos = d.sliderStartPos = d.lastStepPos = raw;
    } else if (std::abs(raw - d.pos) > kHoldJitter) {
        d.pos = raw;
    }
    // One step per `res` positions moved from where the finger came down;
    // a touch that has not moved that far is a tap.
    if (d.pos - d.lastStepPos >= res) {
        d.latch1 |= 0x1000; // next item
        d.lastStepPos += res;
    } else if (d.lastStepPos - d.pos >= res) {
        d.latch1 |= 0x2000; // previous item
        d.lastStepPos -= res;
    }

    // Position ratio from the mean seen from each end of the slider.
    const double weight = std::max<int>(1, board_[0x03D]);
    double mean = 0, reverse = 0;
    for (int i = 0; i < 8; ++i) {
        mean += (i + 1) * d.levels[i];
        reverse += (8 - i) * d.levels[i];
    }
    d.mean = mean / total * weight;
    d.reverse = reverse / total * weight;
    d.ratio = std::clamp(static_cast<int>(std::lround((d.mean - d.reverse) / (d.mean + d.reverse) *
                                                      9.0 / 7.0 * 1000.0 * board_[0x040] / 100.0)),
                         -1000, 1000);
}

void FirmwareModel::sliderWords(uint16_t* w) const
{
    const Demo& d = demo_;
    const bool shown = d.sliderActive && d.tracked;
    const int ratio = shown ? d.ratio : 0;
    const double mean = shown ? d.mean : 0, reverse = shown ? d.reverse : 0;
    const int n = board_[0x03C];
    const int dispFactor = board_[0x03E];
    const int unscaled = ratio * dispFactor / 1000;
    const int positive = std::max(0, unscaled + int(board_[0x03F]));
    const int absolute = shown ? std::clamp((ratio + 1000) * n / 2000, 0, n) : 0;
    if (layout_.boardId == 70) {
        for (int i = 0; i < 8; ++i)
            w[i] = static_cast<uint16_t>(d.levels[i]);
        w[8] = d.segFlags;
        w[9] = static_cast<uint16_t>(absolute);
        w[10] = static_cast<uint16_t>(positive);
        w[11] = static_cast<uint16_t>(n);
        w[12] = static_cast<uint16_t>(shown ? (ratio + 1000) * dispFactor / 1000 : 0);
    } else if (layout_.boardId == 1) {
        w[0] = static_cast<uint16_t>((shown ? 0x8000 | d.pos : 0) | (d.latch1 & 0x4000));
        w[1] = chip_.peek(reg::STAGE_LOW_INT_STATUS);
        for (int i = 0; i < 8; ++i)
            w[2 + i] = static_cast<uint16_t>(d.levels[i]);
        w[10] = chip_.peek(reg::STAGE_HIGH_INT_STATUS);
        w[11] = chip_.proximityStatus();
    } else {
        for (int i = 0; i < 8; ++i)
            w[i] = static_cast<uint16_t>(d.levels[i]);
        w[8] = static_cast<uint16_t>(std::lround(mean));
        w[9] = static_cast<uint16_t>(std::lround(reverse));
        w[10] = signMagnitude(ratio);
        w[11] = signMagnitude(unscaled);
        w[12] = static_cast<uint16_t>(positive);
        w[13] = static_cast<uint16_t>(absolute);
        w[14] = d.segFlags;
    }
}

FirmwareModel::Block FirmwareModel::buildBlock() const
{
    Block b{};
    const uint16_t mode = board_[reg::board::BoardStageSelect];
    if (mode == reg::board::StreamResults) {
        for (int s = 0; s < reg::kStages; ++s)
            b[s] = chip_.peek(reg::convResult(s));
        // The status the set was converted with, and the interrupt line.
        const uint16_t low = chip_.peek(reg::STAGE_LOW_INT_STATUS),
                       high = chip_.peek(reg::STAGE_HIGH_INT_STATUS),
                       complete = chip_.peek(reg::STAGE_COMPLETE_INT_STATUS);
        const bool line = ((low & chip_.peek(reg::STAGE_LOW_INT_EN)) |
                           (high & chip_.peek(reg::STAGE_HIGH_INT_EN)) |
                           (complete & chip_.peek(reg::STAGE_COMPLETE_INT_EN))) &
                          0x0FFF;
        b[reg::board::StreamStatusFirst] = low;
        b[reg::board::StreamStatusFirst + 1] = high;
        b[reg::board::StreamStatusFirst + 2] =
            static_cast<uint16_t>(reg::board::StreamStatusMark << 8 | (line ? 1 : 0));
    } else if (mode == reg::board::DemoMode) {
        b[0] = static_cast<uint16_t>(demo_.keys | demo_.latch0);
        b[1] = static_cast<uint16_t>(
            (demo_.sliderActive && demo_.tracked ? 0x8000 | demo_.pos : 0) | demo_.latch1);
        b[2] = chip_.peek(reg::STAGE_HIGH_INT_STATUS);
        b[3] = chip_.peek(reg::STAGE_LOW_INT_STATUS);
        b[4] = chip_.proximityStatus();
    } else if (mode == reg::board::SliderMode) {
        sliderWords(b.data());
    } else if (mode == reg::board::JoyPadMode) {
        b[0] = static_cast<uint16_t>(demo_.keys | demo_.latch0);
    } else if (const int s = captureStage(mode); s >= 0) {
        const auto at = [&](int k) { return chip_.peek(reg::bank3(s, k)); };
        const uint16_t low = chip_.peek(reg::STAGE_LOW_INT_STATUS),
                       high = chip_.peek(reg::STAGE_HIGH_INT_STATUS),
                       prox = chip_.proximityStatus();
        if (mode & reg::board::SummaryFlag) {
            const uint16_t summary[9] = {at(reg::CONV_DATA),
                                         at(reg::SF_AMB),
                                         at(reg::MAX_AVG),
                                         at(reg::HIGH_THRESHOLD),
                                         at(reg::MIN_AVG),
                                         at(reg::LOW_THRESHOLD),
                                         prox,
                                         low,
                                         high};
            std::copy(std::begin(summary), std::end(summary), b.begin());
        } else {
            for (int k = 0; k < reg::kBank3Words; ++k)
                b[k] = at(k);
            b[36] = low;
            b[37] = high;
            b[38] = prox;
        }
    }
    return b;
}

} // namespace cv::sim
