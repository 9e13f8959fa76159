#pragma once
// The converter results view without its window: the converter fields of
// PWR_CONTROL, the continuous read of all twelve results (start, one pass,
// stop) and the results file lines. The window and `cv5320ctl stream` both
// drive it; the window runs one pass per timer tick, the command line on its
// own clock.

#include "config/RegisterFields.h"
#include "link/CaptureOwner.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace cv {

inline constexpr int kAdcStages = 12;

inline const QString kAdcShutdownMessage =
    QStringLiteral("CV5310 is in Shutdown Mode. No Results Available");
inline const QString kAdcFileError = QStringLiteral("Error: Cannot Save Values to File");
inline const QString kAdcFileFilter =
    QStringLiteral("CV5320 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");

namespace field {
inline constexpr RegField CDC_BIAS{reg::PWR_CONTROL, 0xC000, 16384};
}

// Entries of the three lists; an entry's index is its field value.
QStringList decimationItems();
QStringList sequenceStageItems();
QStringList cdcBiasItems();

// What the view shows of PWR_CONTROL. The four-bit sequence field may hold
// 12 to 15; the list has no such entry and shows 11.
struct ConverterFields {
    int decimation = 0;
    int sequenceStages = 0;
    int bias = 0;
};
ConverterFields converterFieldsOf(int32_t pwrControl);
// Power modes 1 and 3 shut the converter down.
bool isConverting(int32_t pwrControl);

// What the view reads when it loads: PWR_CONTROL for its lists, PWR_CONTROL
// again for the converting flag, and BoardControlWord written back with
// bit 1 (threshold reporting) cleared, so every set is reported.
struct ConverterLoad {
    int32_t pwrControl = 0; // as read for the lists
    ConverterFields fields;
    bool converting = false;
};
ConverterLoad LoadConverterView();

// A list choice: while reading, the capture is ended first (0x017 and a
// 100 ms pause); then the field is changed read-modify-write and the chip
// gets 40 ms. Returns the word written.
int32_t ChangeConverterField(const RegField& f, int value, bool reading);

// Results file: "Stage 0" TAB ... "Stage 11", CR LF.
QByteArray adcResultsHeaderLine();
// Twelve results, each with its sign blank; a TAB and one extra blank after
// each but the last, a TAB alone after stages 2 and 7; CR LF.
QByteArray adcResultsDataLine(const int32_t* results);

class AdcReading {
public:
    struct Pass {
        bool fetched = false;     // a result set was read in this pass
        bool addsPoints = false;  // ... and goes to the chart and the file
        int nextIntervalMs = 0;   // pause before the next pass
        bool rearmed = false;     // the capture had been ended elsewhere and was armed again
        bool rearmFailed = false; // ... and the board did not take it up: stop now
    };
    enum class Start { Started, Shutdown, NoAcknowledge };

    static constexpr int kPollPauseMs = 50;
    // Sets waiting are fetched back to back, a few a timer tick: a trip
    // through the event loop per set cost more than the set, and with each
    // read's 5 ms pause three still leave paints and clicks their turn.
    static constexpr int kPassesPerTick = 3;
    static constexpr int kStopPauseMs = 20;

    // Sets the reading flag and clears the pass counter and status; refuses
    // with the shutdown message when the chip was not converting at load.
    // `started` runs once the start is accepted, before the firmware
    // handshake (the window shows "Stop Reading" there). A board that never
    // acknowledges the stream gets its capture ended again and the flag
    // cleared.
    // The status of the handshake's last read-back is kept, so a set the
    // board already holds is fetched on the first pass.
    Start start(bool converting, const std::function<void()>& started = {});
    // One pass of the loop: fetch the set the board reported last time, or
    // ask for a new status and wait the poll pause. A capture that something
    // else ended is armed again first with the start handshake; the pass
    // counter goes on, so every set after the gap is kept.
    Pass pass();
    // The stop button: clear the flag, end the capture, pause.
    void stop();
    // The loop's end once it sees the flag cleared: end the capture again.
    void finish();

    bool reading() const { return reading_; }
    int passCounter() const { return passCounter_; }
    int16_t status() const { return status_; }
    const std::array<int32_t, 13>& results() const { return results_; }
    // Words fetched past the twelve results, for what a firmware may report
    // with each set (the overview asks for the status); 0 unless set.
    static constexpr int kMaxExtraWords = 3;
    void setExtraWords(int words) { extraWords_ = std::clamp(words, 0, kMaxExtraWords); }
    const std::array<int32_t, kMaxExtraWords>& extraWords() const { return extra_; }
    const CaptureLease& lease() const { return lease_; }

    AdcReading() = default;
    AdcReading(const AdcReading&) = delete;
    AdcReading& operator=(const AdcReading&) = delete;

private:
    bool reading_ = false;
    int16_t passCounter_ = 0;
    int16_t status_ = 0;
    std::array<int32_t, 13> results_{};
    std::array<int32_t, kMaxExtraWords> extra_{};
    int extraWords_ = 0;
    CaptureLease lease_;
};

// The passes of one timer tick: `onePass` runs until it asks for a wait
// (its interval > 0), reading ends (-1), or kPassesPerTick passes ran.
// Returns the interval before the next tick, or -1.
template <class OnePass> int passesOfATick(OnePass onePass)
{
    for (int i = 1;; ++i) {
        const int next = onePass();
        if (next != 0 || i == AdcReading::kPassesPerTick)
            return next;
    }
}

// A visible value range that holds the traces with room to move: bounds on
// multiples of 100, at least 400 apart, inside 0..65535.
struct ValueRange {
    double lower = 0, upper = 65535;
};
ValueRange adcChartRange(double minValue, double maxValue);
// Keep the range while the data fills more than a quarter of it.
bool adcRangeTooWide(const ValueRange& r, double minValue, double maxValue);

} // namespace cv
