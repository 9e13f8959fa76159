#include "sim/ChipModel.h"

#include "link/RegMap.h"
#include "platform/NumText.h"

#include <algorithm>
#include <cmath>

namespace cv::sim {

namespace {

// A long idle gap (nobody read the chip for minutes) is not replayed in full:
// the last stretch is enough for every filter to settle.
constexpr int64_t kMaxCatchUpUs = 20'000'000;

constexpr int kFfWords = 8, kSfWords = 8, kMaxWords = 4, kMinWords = 4;

uint16_t clampWord(double v)
{
    if (v <= 0)
        return 0;
    if (v >= 65535)
        return 65535;
    return static_cast<uint16_t>(v + 0.5);
}

template <int N> void pushFifo(uint16_t* words, uint16_t value)
{
    for (int i = N - 1; i > 0; --i)
        words[i] = words[i - 1];
    words[0] = value;
}

template <int N> uint16_t average(const uint16_t* words)
{
    uint32_t sum = 0;
    for (int i = 0; i < N; ++i)
        sum += words[i];
    return static_cast<uint16_t>((sum + N / 2) / N);
}

} // namespace

ChipModel::ChipModel(const Clock& clock, uint64_t seed)
    : clock_(clock), seed_(seed), rng_(seed * 0x9E3779B97F4A7C15ull + 0x5322)
{
    powerOnReset();
}

int ChipModel::decimation(uint16_t pwr)
{
    static constexpr int kDec[4] = {256, 128, 64, 64};
    return kDec[(pwr >> 8) & 3];
}

int ChipModel::sequenceStages(uint16_t pwr)
{
    return std::min((pwr >> 4) & 0xF, 11) + 1;
}

int64_t ChipModel::conversionUs(uint16_t pwr)
{
    // 3 x decimation periods of the 250 kHz converter clock.
    return 3LL * decimation(pwr) * 1'000'000 / 250'000;
}

int64_t ChipModel::sequencePeriodUs(uint16_t pwr)
{
    const int mode = pwr & 3;
    if (mode == 1 || mode == 3)
        return 0;
    const int64_t seq = sequenceStages(pwr) * conversionUs(pwr);
    if (mode == 2)
        return seq + 200'000LL * (((pwr >> 2) & 3) + 1);
    return seq;
}

void ChipModel::powerOnReset()
{
    regs_.fill(0);
    regs_[reg::PART_ID] = kPartId;
    regs_[reg::AMB_COMP_CTRL0] = 0x0FF0;
    regs_[reg::AMB_COMP_CTRL1] = 0x0164;
    regs_[reg::AMB_COMP_CTRL2] = 0xFFFF;
    state_ = {};
    forceCalPending_ = false;
    configDirty_ = true;
    lastUs_ = clock_.nowUs();
    restartTiming(lastUs_);
}

void ChipModel::restartTiming(int64_t now)
{
    const uint16_t pwr = regs_[reg::PWR_CONTROL];
    nextSeqEndUs_ = now + sequenceStages(pwr) * conversionUs(pwr);
}

void ChipModel::catchUp()
{
    const int64_t now = clock_.nowUs();
    const int64_t period = sequencePeriodUs(regs_[reg::PWR_CONTROL]);
    if (period == 0) {
        lastUs_ = now;
        return;
    }
    if (now - nextSeqEndUs_ > kMaxCatchUpUs)
        nextSeqEndUs_ += (now - kMaxCatchUpUs - nextSeqEndUs_) / period * period;
    while (nextSeqEndUs_ <= now) {
        runSequence(nextSeqEndUs_);
        nextSeqEndUs_ += period;
    }
    lastUs_ = now;
}

uint16_t ChipModel::read(int address)
{
    catchUp();
    return readCaughtUp(address);
}

uint16_t ChipModel::readCaughtUp(int address)
{
    const int a = address & 0x3FF;
    const uint16_t v = regs_[a];
    if (a == reg::STAGE_COMPLETE_INT_STATUS)
        regs_[a] &= 0x1000; // conversion-complete bits clear when read
    return v;
}

void ChipModel::write(int address, uint16_t value)
{
    catchUp();
    const int a = address & 0x3FF;
    if (a == reg::PART_ID || a == kProximityStatus ||
        (a >= reg::STAGE_LOW_INT_STATUS && a <= reg::convResult(11)))
        return; // read-only
    if (a == reg::PWR_CONTROL) {
        if (value & 0x0400) { // SW_RESET
            powerOnReset();
            return;
        }
        const bool timing = (regs_[a] ^ value) & 0x03FF;
        regs_[a] = value;
        if (timing)
            restartTiming(clock_.nowUs());
        return;
    }
    regs_[a] = value;
    if (a == reg::AMB_COMP_CTRL0) {
        // FORCE_CAL takes the results of the next sequence as the new ambient.
        if (value & 0x4000)
            forceCalPending_ = true;
        if (value & 0x8000) { // CONV_RESET: filters restart from the present result
            for (int s = 0; s < reg::kStages; ++s) {
                const uint16_t r = regs_[reg::bank3(s, reg::CONV_DATA)];
                std::fill_n(&regs_[reg::bank3(s, reg::FF_FIFO)], kFfWords, r);
                regs_[reg::bank3(s, reg::FF_AVG)] = r;
                state_[s].ffCount = 0;
            }
            restartTiming(clock_.nowUs());
        }
        regs_[a] &= forceCalPending_ ? 0x7FFF : 0x3FFF; // the commands clear themselves
    }
    if (a >= reg::BANK2 && a < reg::BANK3)
        configDirty_ = true;
}

void ChipModel::rebuildConfig()
{
    for (int s = 0; s < reg::kStages; ++s) {
        StageConfig c;
        // CIN0..CIN6 from the first word (its bits 15:14 are not used), CIN7.. from the second.
        const uint32_t w = (regs_[reg::bank2(s, 0)] & 0x3FFFu) |
                           (uint32_t(regs_[reg::bank2(s, 1)] & 0x0FFF) << 14);
        for (int in = 0; in < reg::kInputs; ++in) {
            const int code = (w >> (2 * in)) & 3;
            if (code == 0)
                c.floating = true;
            else if (code == 1)
                c.minus |= 1u << in;
            else if (code == 2)
                c.plus |= 1u << in;
        }
        const uint16_t afe = regs_[reg::bank2(s, reg::AFE_OFFSET)];
        const uint16_t dis = regs_[reg::bank2(s, 1)];
        // The negative field adds charge on the negative input and the
        // positive field takes it away from the positive input, unless its
        // swap bit sends it to the other side.
        double net = 0;
        if (!(dis & 0x4000)) {
            const double neg = (afe & 0x3F) * kOffsetStepPf;
            net += (afe & 0x0080) ? -neg : neg;
        }
        if (!(dis & 0x8000)) {
            const double pos = ((afe >> 8) & 0x3F) * kOffsetStepPf;
            net += (afe & 0x8000) ? pos : -pos;
        }
        c.offsetPf = net;
        config_[s] = c;
    }
    configDirty_ = false;
}

double ChipModel::uniform()
{
    // xorshift64*: cheap and repeatable for a seed.
    rng_ ^= rng_ >> 12;
    rng_ ^= rng_ << 25;
    rng_ ^= rng_ >> 27;
    return static_cast<double>((rng_ * 2685821657736338717ull) >> 11) * (1.0 / 9007199254740992.0);
}

double ChipModel::noise()
{
    // Roughly normal, a few counts wide.
    return (uniform() + uniform() + uniform() - 1.5) * 4.0;
}

double ChipModel::idealResult(int stage, int64_t us)
{
    if (configDirty_)
        rebuildConfig();
    std::array<double, 13> pF;
    pF.fill(10.0);
    if (sensors_)
        sensors_(us, pF);
    const StageConfig& c = config_[stage];
    double diff = c.offsetPf;
    for (int in = 0; in < reg::kInputs; ++in) {
        if (c.plus & (1u << in))
            diff += pF[in];
        if (c.minus & (1u << in))
            diff -= pF[in];
    }
    return 32768.0 + diff * kCountsPerPf;
}

void ChipModel::runSequence(int64_t endUs)
{
    if (configDirty_)
        rebuildConfig();
    std::array<double, 13> pF;
    pF.fill(10.0);
    if (sensors_)
        sensors_(endUs, pF);
    const int n = sequenceStages(regs_[reg::PWR_CONTROL]);
    const int64_t conv = conversionUs(regs_[reg::PWR_CONTROL]);
    for (int s = 0; s < n; ++s) {
        if (!interference_) {
            convertStage(s, pF);
            continue;
        }
        // The stages convert one after the other in the slots that end the sequence.
        std::array<double, 13> atStage = pF;
        interference_(endUs - (n - s) * conv + conv / 2, atStage);
        convertStage(s, atStage);
    }
    uint16_t& complete = regs_[reg::STAGE_COMPLETE_INT_STATUS];
    complete |= static_cast<uint16_t>((1u << n) - 1);
    const int gpio = (regs_[reg::STAGE_LOW_INT_EN] >> 12) & 3;
    complete = static_cast<uint16_t>((complete & 0x0FFF) | (gpio == 3 ? 0x1000 : 0));
    if (forceCalPending_) {
        forceCalibration();
        forceCalPending_ = false;
        regs_[reg::AMB_COMP_CTRL0] &= 0xBFFF;
    }
    ++sequences_;
    if (onSequence_)
        onSequence_(endUs);
}

void ChipModel::convertStage(int s, const std::array<double, 13>& pF)
{
    const StageConfig& c = config_[s];
    StageState& st = state_[s];
    double diff = c.offsetPf;
    for (int in = 0; in < reg::kInputs; ++in) {
        if (c.plus & (1u << in))
            diff += pF[in];
        if (c.minus & (1u << in))
            diff -= pF[in];
    }
    double v = 32768.0 + diff * kCountsPerPf + noise();
    if (c.floating) {
        // An open input picks up whatever is around: the reading wanders widely.
        st.floatLevel = std::clamp(st.floatLevel + (uniform() - 0.5) * 9000.0, 4000.0, 61000.0);
        v = st.floatLevel + (uniform() - 0.5) * 3000.0;
    }
    const uint16_t r = clampWord(v);
    regs_[reg::bank3(s, reg::CONV_DATA)] = r;
    regs_[reg::convResult(s)] = r;

    int skip = regs_[reg::AMB_COMP_CTRL0] & 0xF;
    if (skip > 11)
        skip = 11;
    if (++st.ffCount > skip) {
        st.ffCount = 0;
        uint16_t* ff = &regs_[reg::bank3(s, reg::FF_FIFO)];
        pushFifo<kFfWords>(ff, r);
        regs_[reg::bank3(s, reg::FF_AVG)] = average<kFfWords>(ff);
        fastUpdate(s);
    }
}

void ChipModel::updateThresholds(int s)
{
    const double amb = regs_[reg::bank3(s, reg::SF_AMB)];
    const double oh = regs_[reg::bank2(s, reg::OFFSET_HIGH)];
    const double ol = regs_[reg::bank2(s, reg::OFFSET_LOW)];
    const uint16_t sens = regs_[reg::bank2(s, reg::SENSITIVITY)];
    const int pos = (sens >> 8) & 0xF, neg = sens & 0xF;
    const double hi = amb + oh / 4 + ((oh - oh / 4) / 16) * pos;
    const double lo = amb - ol / 4 - ((ol - ol / 4) / 16) * neg;
    regs_[reg::bank3(s, reg::HIGH_THRESHOLD)] =
        static_cast<uint16_t>(std::clamp<int64_t>(roundHalfEven(hi), 0, 65535));
    regs_[reg::bank3(s, reg::LOW_THRESHOLD)] =
        static_cast<uint16_t>(std::clamp<int64_t>(roundHalfEven(lo), 0, 65535));
}

void ChipModel::fastUpdate(int s)
{
    StageState& st = state_[s];
    const uint16_t bit = static_cast<uint16_t>(1u << s);
    const uint16_t ffAvg = regs_[reg::bank3(s, reg::FF_AVG)];
    uint16_t& amb = regs_[reg::bank3(s, reg::SF_AMB)];
    updateThresholds(s);
    const bool hi = ffAvg > regs_[reg::bank3(s, reg::HIGH_THRESHOLD)];
    const bool lo = ffAvg < regs_[reg::bank3(s, reg::LOW_THRESHOLD)];
    const int oh = regs_[reg::bank2(s, reg::OFFSET_HIGH)],
              ol = regs_[reg::bank2(s, reg::OFFSET_LOW)];
    const uint16_t ctrl1 = regs_[reg::AMB_COMP_CTRL1];
    const int recalLevel = ctrl1 & 0xFF;
    const int band = std::max(20, recalLevel);
    // Proximity: beyond a quarter of the offsets for more than PROXIMITY
    // DETECTION RATE fast updates in a row.
    const bool beyond =
        ffAvg > amb + std::max(oh / 4, band) || ffAvg + std::max(ol / 4, band) < amb;
    st.proxRun = beyond ? std::min(st.proxRun + 1, 64) : 0;
    const bool prox = beyond && st.proxRun > ((ctrl1 >> 8) & 0x3F);

    auto setBit = [&](int address, bool on) {
        regs_[address] = static_cast<uint16_t>(on ? regs_[address] | bit : regs_[address] & ~bit);
    };
    setBit(reg::STAGE_LOW_INT_STATUS, lo);
    setBit(reg::STAGE_HIGH_INT_STATUS, hi);
    setBit(kProximityStatus, prox);

    const uint16_t pwr = regs_[reg::PWR_CONTROL];
    const bool lowPower = (pwr & 3) == 2;
    const uint16_t calEn = regs_[reg::STAGE_CAL_EN];
    const uint16_t ctrl0 = regs_[reg::AMB_COMP_CTRL0];
    const uint16_t ctrl2 = regs_[reg::AMB_COMP_CTRL2];
    static constexpr int kFpSkip[4] = {3, 7, 15, 31};
    const int slowEvery = lowPower ? ((calEn >> 14) & 3) + 1 : kFpSkip[(calEn >> 12) & 3];
    const int proxCount = std::max(1, lowPower ? (ctrl0 >> 8) & 0xF : (ctrl0 >> 4) & 0xF);
    const int proxTimeout = lowPower ? 4 * proxCount : 16 * proxCount;
    const int recalTimeout = lowPower ? 4 * std::max(1, ctrl2 >> 10) : std::max(15, ctrl2 & 0x3FF);

    if (calEn & bit) {
        if (!prox) {
            st.proxCount = st.recalCount = 0;
            if (++st.sfCount >= slowEvery) {
                st.sfCount = 0;
                uint16_t* sf = &regs_[reg::bank3(s, reg::SF_FIFO)];
                pushFifo<kSfWords>(sf, ffAvg);
                const int level = (ctrl1 >> 14) & 3;
                const double target = average<kSfWords>(sf);
                amb = clampWord(amb + (target - amb) / double(1 << level));
            }
        } else if (!hi && !lo) {
            // Something near but not touching for too long: the new level is the ambient.
            if (++st.proxCount >= proxTimeout)
                recalibrate(s, ffAvg);
        } else if (++st.recalCount >= recalTimeout) {
            // A touch that never ends is taken for a change of the surroundings.
            recalibrate(s, ffAvg);
        }
    }

    // Peaks of each touch feed the max and min FIFOs.
    uint16_t& maxTemp = regs_[reg::bank3(s, reg::MAX_TEMP)];
    uint16_t& minTemp = regs_[reg::bank3(s, reg::MIN_TEMP)];
    if (hi)
        maxTemp = st.high ? std::max(maxTemp, ffAvg) : ffAvg;
    else if (st.high) {
        uint16_t* mx = &regs_[reg::bank3(s, reg::MAX_FIFO)];
        pushFifo<kMaxWords>(mx, maxTemp);
        regs_[reg::bank3(s, reg::MAX_AVG)] = average<kMaxWords>(mx);
    }
    if (lo)
        minTemp = st.low ? std::min(minTemp, ffAvg) : ffAvg;
    else if (st.low) {
        uint16_t* mn = &regs_[reg::bank3(s, reg::MIN_FIFO)];
        pushFifo<kMinWords>(mn, minTemp);
        regs_[reg::bank3(s, reg::MIN_AVG)] = average<kMinWords>(mn);
    }
    st.high = hi;
    st.low = lo;

    const uint16_t sens = regs_[reg::bank2(s, reg::SENSITIVITY)];
    const double posPeak = (40 + 10 * std::min((sens >> 12) & 7, 5)) / 100.0;
    const double negPeak = (40 + 10 * std::min((sens >> 4) & 7, 5)) / 100.0;
    const double maxAvg = regs_[reg::bank3(s, reg::MAX_AVG)],
                 minAvg = regs_[reg::bank3(s, reg::MIN_AVG)];
    regs_[reg::bank3(s, reg::PEAK_DETECT)] = clampWord(amb + std::max(0.0, maxAvg - amb) * posPeak);
    regs_[reg::bank3(s, reg::PEAK_DETECT + 1)] =
        clampWord(amb - std::max(0.0, amb - minAvg) * negPeak);
    updateThresholds(s);
}

void ChipModel::recalibrate(int s, uint16_t level)
{
    StageState& st = state_[s];
    st.sfCount = st.proxCount = st.recalCount = 0;
    regs_[reg::bank3(s, reg::SF_AMB)] = level;
    std::fill_n(&regs_[reg::bank3(s, reg::SF_FIFO)], kSfWords, level);
    const int oh = regs_[reg::bank2(s, reg::OFFSET_HIGH)],
              ol = regs_[reg::bank2(s, reg::OFFSET_LOW)];
    std::fill_n(&regs_[reg::bank3(s, reg::MAX_FIFO)], kMaxWords, clampWord(level + oh));
    std::fill_n(&regs_[reg::bank3(s, reg::MIN_FIFO)], kMinWords, clampWord(level - ol));
    regs_[reg::bank3(s, reg::MAX_AVG)] = clampWord(level + oh);
    regs_[reg::bank3(s, reg::MIN_AVG)] = clampWord(level - ol);
    regs_[reg::bank3(s, reg::MAX_TEMP)] = level;
    regs_[reg::bank3(s, reg::MIN_TEMP)] = level;
    updateThresholds(s);
}

void ChipModel::forceCalibration()
{
    for (int s = 0; s < reg::kStages; ++s) {
        const uint16_t r = regs_[reg::bank3(s, reg::CONV_DATA)];
        std::fill_n(&regs_[reg::bank3(s, reg::FF_FIFO)], kFfWords, r);
        regs_[reg::bank3(s, reg::FF_AVG)] = r;
        state_[s].ffCount = 0;
        state_[s].high = state_[s].low = false;
        recalibrate(s, r);
    }
    // At the new ambient no stage is beyond a limit or near.
    regs_[reg::STAGE_LOW_INT_STATUS] = regs_[reg::STAGE_HIGH_INT_STATUS] = regs_[kProximityStatus] =
        0;
}

} // namespace cv::sim
