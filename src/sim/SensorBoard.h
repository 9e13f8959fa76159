#pragma once
// The sensor boards that plug onto the evaluation board, and the finger that
// touches them. Each board's electrode map is written down here: which CIN
// carries which key or slider segment, its baseline and the capacitance a
// finger adds.

#include "platform/TextFileRead.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace cv::sim {

struct Electrode {
    QString name;
    int cin;           // 0..12
    double baselinePf; // untouched capacitance
    double couplingPf; // added by a finger right on it
};

// Key pad and slider of one sensor board. Electrode i sits on stage i in the
// board's standard configuration.
struct BoardLayout {
    int boardId = 58;
    std::vector<Electrode> electrodes;
    // Electrode indexes of the four key pad pads; the centre key is a finger
    // on the middle of the pad, which couples into all four.
    int up = 0, down = 1, left = 2, right = 3;
    std::array<int, 8> slider{}; // electrode indexes of segments 0..7

    // Touch targets a scenario can name: every electrode, then "centre".
    QStringList targetNames() const;
    int centreTarget() const { return static_cast<int>(electrodes.size()); }
    std::optional<int> target(const QString& name) const;

    static const BoardLayout& forBoard(int boardId);
};

// What the finger does at one moment.
struct FingerState {
    uint32_t touched = 0;    // bit per touch target
    double sliderPos = -1.0; // 0..255 while a finger is on the slider, else negative

    bool operator==(const FingerState&) const = default;
};

// A finger script: events at times in ms since the start of the run.
class Scenario {
public:
    // Parses a scenario; on a bad line returns nothing and sets `error` to
    // "line N: ...".
    static std::optional<Scenario> parse(const QString& text, const BoardLayout& board,
                                         QString* error);
    // Reads and parses a scenario file within kFileLimits; on a fault
    // returns nothing and sets `error` to "Scenario FILE line N: ..." or
    // "Scenario FILE is larger than ...".
    static std::optional<Scenario> readFile(const QString& path, const BoardLayout& board,
                                            QString* error);
    // Scenario files are text people write or generate: 200,000 events fit.
    static constexpr TextFileLimits kFileLimits{16 << 20, 1024};
    // The script that keeps the demo and the live views moving on its own.
    static Scenario standard(const BoardLayout& board);
    static QString standardText(const BoardLayout& board);

    FingerState at(int64_t ms) const;
    int64_t loopMs() const { return loopMs_; }
    bool empty() const { return presses_.empty() && slides_.empty(); }

    // Interference: "TIME hum HZ COUNTS [SENSOR...]" adds a sinusoid of HZ
    // and COUNTS peak-to-peak to the sensors named (every one when none is)
    // from TIME on; a later line of the same HZ replaces it; "TIME hum off"
    // ends them all.
    struct Tone {
        double hz = 0, countsPp = 0;
        uint32_t electrodes = 0; // bit per electrode of the board
        bool operator==(const Tone&) const = default;
    };
    const std::vector<Tone>& humAt(int64_t ms) const;

    // Times, durations and periods above this are refused (about 31 years).
    static constexpr int64_t kMaxMs = 1'000'000'000'000;

private:
    struct Press {
        int target;
        int64_t from, to; // to: -1 while never released
    };
    struct Slide {
        int64_t from, to;
        double start, end;
    };
    // The finger is constant between two moments where a press or slide
    // starts or ends; `at` looks the moment up instead of scanning every
    // event, which matters for long generated scripts.
    struct Span {
        int64_t from;
        uint32_t touched;
        int slide; // index into slides_, or -1
    };
    struct HumLine {
        int64_t at;
        bool off;
        Tone tone;
    };
    struct HumSpan {
        int64_t from;
        std::vector<Tone> tones;
    };
    void buildIndex();
    void buildHum();

    std::vector<HumLine> humLines_;
    std::vector<HumSpan> humSpans_;
    std::vector<Press> presses_;
    std::vector<Slide> slides_;
    std::vector<Span> spans_;
    int64_t loopMs_ = 0;
};

// Capacitance seen at each CIN: the board's baselines, a slow temperature
// drift, and the finger from the scenario and from the interactive window.
class SensorModel {
public:
    explicit SensorModel(const BoardLayout& board);

    const BoardLayout& board() const { return board_; }
    void setScenario(Scenario s) { scenario_ = std::move(s); }
    const Scenario& scenario() const { return scenario_; }
    // Interactive finger: a touch target held down, or a slider position.
    void setManualTouch(int target, bool down);
    void setManualSlider(double pos) { manual_.sliderPos = pos; }
    const FingerState& manual() const { return manual_; }

    FingerState fingerAt(int64_t ms) const;
    // Fills the capacitance of CIN0..CIN12 in pF at time `ms`.
    void capacitances(int64_t ms, std::array<double, 13>& pF) const;
    // Adds the scenario's hum at `us` (microseconds since the start), so each
    // stage can sample it at its own conversion instant.
    void addHum(int64_t us, std::array<double, 13>& pF) const;

private:
    const BoardLayout& board_;
    Scenario scenario_;
    FingerState manual_;
};

} // namespace cv::sim
