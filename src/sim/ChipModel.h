#pragma once
// The CV5320 as the simulated board sees it: 1024 registers, conversions
// driven by the shared clock. The chip catches up lazily whenever it is
// accessed: every sequence that should have finished by now is run then.

#include "platform/Clock.h"

#include <array>
#include <cstdint>
#include <functional>

namespace cv::sim {

class ChipModel {
public:
    ChipModel(const Clock& clock, uint64_t seed);

    uint16_t read(int address);
    // read() without the catch-up, for the further words of one block read:
    // the block is read at one moment, and the clock asked once for it.
    uint16_t readCaughtUp(int address);
    void write(int address, uint16_t value);
    // Restores the power-on register values.
    void powerOnReset();
    // Runs conversions up to the clock's present time.
    void catchUp();

    // Raw register access without side effects (for the firmware model and tests).
    uint16_t peek(int address) const { return regs_[address & 0x3FF]; }
    void poke(int address, uint16_t value)
    {
        regs_[address & 0x3FF] = value;
        configDirty_ = true;
    }

    // Capacitance of CIN0..CIN12 in pF at a time in microseconds of the clock.
    using SensorSource = std::function<void(int64_t us, std::array<double, 13>& pF)>;
    void setSensorSource(SensorSource source) { sensors_ = std::move(source); }
    // Adds what changes within a sequence (interference), called for each
    // stage at the middle of its own conversion.
    void setInterferenceSource(SensorSource source) { interference_ = std::move(source); }
    // Called after every completed sequence, with its end time.
    void setSequenceListener(std::function<void(int64_t us)> listener)
    {
        onSequence_ = std::move(listener);
    }

    // Timing that follows from PWR_CONTROL.
    static int decimation(uint16_t pwrControl);
    static int sequenceStages(uint16_t pwrControl);
    static int64_t conversionUs(uint16_t pwrControl); // 3 x decimation / 250 kHz
    // Time between the ends of two sequences; 0 in shutdown.
    static int64_t sequencePeriodUs(uint16_t pwrControl);

    // A stage's result without noise and without the converter's range
    // limits (the board's set-up calibrates offsets with it).
    double idealResult(int stage, int64_t us);
    int64_t sequencesRun() const { return sequences_; }
    // Proximity status, one bit per stage (also kept at 0x042).
    uint16_t proximityStatus() const { return regs_[kProximityStatus]; }

    static constexpr int kProximityStatus = 0x042;
    static constexpr double kCountsPerPf = 4096.0;
    static constexpr double kOffsetStepPf = 0.32;
    static constexpr uint16_t kPartId = 0x5322;

private:
    struct StageConfig {
        uint16_t plus = 0, minus = 0; // CIN bit masks on each converter input
        bool floating = false;
        double offsetPf = 0; // net offset: negative side minus positive side
    };
    struct StageState {
        int ffCount = 0, sfCount = 0, proxCount = 0, recalCount = 0, proxRun = 0;
        bool high = false, low = false;
        bool wasTouched = false;
        double floatLevel = 32768;
    };

    void rebuildConfig();
    void runSequence(int64_t endUs);
    void convertStage(int s, const std::array<double, 13>& pF);
    void fastUpdate(int s);
    void recalibrate(int s, uint16_t level);
    void forceCalibration();
    void restartTiming(int64_t now);
    void updateThresholds(int s);
    double noise();
    double uniform();

    const Clock& clock_;
    uint64_t seed_;
    uint64_t rng_;
    int64_t lastUs_ = 0;
    int64_t nextSeqEndUs_ = 0;
    int64_t sequences_ = 0;
    bool configDirty_ = true;
    bool forceCalPending_ = false;
    std::array<uint16_t, 0x400> regs_{};
    std::array<StageConfig, 12> config_{};
    std::array<StageState, 12> state_{};
    SensorSource sensors_, interference_;
    std::function<void(int64_t)> onSequence_;
};

} // namespace cv::sim
