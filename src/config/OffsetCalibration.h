#pragma once
// Offset calibration of a conversion stage: classify the stage's inputs and
// raise the AFE offset fields until the conversion result sits near
// mid-scale. The input connection window calibrates one stage with its
// constants; the block diagram sweeps all twelve with slightly different
// ones. Both run this one implementation over the register transport.

#include <cstdint>
#include <vector>

namespace cv {

// Where a search stops: inclusive window tested at the start of every pass
// (Top) and exclusive window tested after every step (Bottom).
struct SearchWindows {
    int32_t TopLow, TopHigh;
    int32_t BottomLow, BottomHigh;
};

struct CalibrationConstants {
    SearchWindows NegSearch;
    SearchWindows PosSearch;
    // Single-ended result accepted (inclusive).
    int32_t SingleLow, SingleHigh;
    // Differential result accepted and trimmed towards (inclusive).
    int32_t DiffLow, DiffHigh;
};

// "Get Offset" of the input connection window.
CalibrationConstants inputWindowConstants();
// "Get all offsets" of the block diagram.
CalibrationConstants offsetSweepConstants();

// Counts of a stage's thirteen inputs as the calibration sees them. Without
// floating inputs PosCount is the number on the positive converter input and
// NegCount the number on the negative one.
struct InputClassification {
    int PosCount = 0;
    int NegCount = 0;
    bool Floating = false;
};
// W0 is the CIN(0-6) setup register, W1 the CIN(7-13) one; the not-used pairs
// and the offset-disable bits take no part.
InputClassification classifyInputs(int32_t w0, int32_t w1);
// Single-ended: inputs on one converter side only, the other side empty.
bool isSingleEnded(const InputClassification& c);

// The window's part in a calibration. The sweep passes none: it refreshes no
// display and switches no lamp.
class CalibrationDisplay {
public:
    virtual ~CalibrationDisplay() = default;
    virtual void calibrationStarted() = 0; // Timer3
    virtual void ShowOffsetRegister() = 0;
    virtual void calibrationEnded() = 0; // Timer2
};

enum class CalibrationBranch {
    Floating,
    AllBias,
    SingleNegative,
    SinglePositive,
    Differential,
};

struct CalibrationReport {
    CalibrationBranch Branch = CalibrationBranch::AllBias;
    // Result out of its acceptance window at the end (message shown).
    bool OutOfRange = false;
    // Last conversion result read, and the search results (N, P) where a
    // search ran.
    int32_t Result = 0;
    int NegResult = -1;
    int PosResult = -1;
    // Offset writes made by the searches and the trim.
    int SearchSteps = 0;
};

inline const char* const kFloatingInputsMessage =
    "Please Do Not Leave any Floating Inputs. Tie all unused inputs to Bias";
inline const char* const kMidRangeMessage =
    "Too many Inputs Configured. Cannot Configure Offset to MidRange";

// Calibrates the stage whose addresses are in StageInputSetup and whose
// number is CurrentStage.
CalibrationReport CalibrateStageOffset(const CalibrationConstants& k,
                                       CalibrationDisplay* display = nullptr);

// The two searches over the AFE offset register of StageInputSetup, reading
// the result of CurrentStage. Result receives the final value of the field
// the search starts with. `steps`, when given, counts the offset writes.
void SearchNegOffsetFirst(bool StopAtSwap, int& Result, const SearchWindows& w,
                          int* steps = nullptr);
void SearchPosOffsetFirst(bool StopAtSwap, int& Result, const SearchWindows& w,
                          int* steps = nullptr);

// The block diagram's sweep: every stage in turn with the sweep's constants,
// pending window events after each, then a forced calibration. Leaves
// CurrentStage at 11 and StageInputSetup with stage 11's addresses (the
// label texts untouched).
std::vector<CalibrationReport> CalibrateAllStages();

// Calibrates one stage from the command line: the stage context set as its
// button would, then the window's constants.
CalibrationReport CalibrateOneStage(int stage);

} // namespace cv
