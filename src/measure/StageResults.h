#pragma once
// The stage results window's arithmetic and texts, without widgets: the
// sensitivity lists, the adaptive thresholds and their formula texts, the
// level diagram's scale, the value boxes' check, the status rows and the
// stage results file.

#include "config/RegisterFields.h"
#include "platform/OpenFiles.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace cv {

// NegSensCmb / PosSensCmb: sixteen percentages, each with a trailing blank.
QStringList sensitivityItems();
// NegMaxSensCmb / PosMaxSensCmb: eight entries, the last three all "90% ".
QStringList peakDetectItems();

// Fields of the stage's sensitivity register.
struct SensitivityFields {
    int neg = 0;     // bits 3..0
    int negPeak = 0; // bits 6..4
    int pos = 0;     // bits 11..8
    int posPeak = 0; // bits 14..12
};
SensitivityFields sensitivityFields(int32_t word);
// POS_THRESHOLD_SENS and NEG_THRESHOLD_SENS of stage n's sensitivity register,
// as the stage window's lists and the overview's suggestions change them.
RegField posThresholdSensField(int stage);
RegField negThresholdSensField(int stage);

// The thresholds the calibration engine places around the ambient; halves
// round to even, as the chip's own documentation computes them.
int64_t highThreshold(double ambient, double offsetHigh, int posSens);
int64_t lowThreshold(double ambient, double offsetLow, int negSens);

// FormulaFrm's texts.
QString maxFormulaCaption();
QString minFormulaCaption();
QString maxFormulaText();
QString minFormulaText();
QString maxResultText(int64_t ambient, int64_t offsetHigh, int posSens, int64_t threshold);
QString minResultText(int64_t ambient, int64_t offsetLow, int negSens, int64_t threshold);

// The level diagram's vertical scale: six labels from the top down (Label8
// 1, 3 .. 11) and the base one step below the lowest, all whole numbers.
struct DiagramScale {
    std::array<int64_t, 6> labels{};
    int64_t base = 0;
    int64_t span = 0;
};
DiagramScale diagramScale(double ambient, double offsetHigh, double offsetLow);
// Height of a level above the base in twips (0 when the span is 0).
int64_t levelHeight(double value, const DiagramScale& scale);
// Height of the drawing area (GraphShape) the heights are meant for.
constexpr int kDiagramHeightTwips = 4815;

// Value boxes (offsets and clamps). The number a box's text stands for:
// an empty box gives 0 once the window is armed and the chip's value before.
int64_t valueBoxNumber(const QString& text, bool armed, int32_t chipValue);
bool valueBoxInRange(int64_t value);
inline const QString kValueRangeMessage =
    QStringLiteral("Value must be a decimal number under 65,535");

// Captions that name the stage's threshold words and its status lamps.
QString maxThreshCaption(int stage); // "Max Thresh 0xFA"
QString minThreshCaption(int stage); // "Min Thresh 0x101"
// Low, high and proximity lamp captions ("Stage  3  Low Limit Status" ...).
std::array<QString, 3> statusLampCaptions(int stage);
// Titles of the three status rows.
std::array<QString, 3> statusRowTitles();

// One row of the status display: the stage bits shown, this stage's lamp and
// the masked word in hexadecimal.
constexpr int32_t kStageBitsMask = 0x0FFF;
struct StatusRow {
    bool lamp = false;
    std::array<bool, 16> bits{}; // bit i; bits outside the mask are false
    QString valueText;
};
StatusRow statusRow(int32_t word, int stage, int32_t mask = kStageBitsMask);

// Trace names in the legend and short names for files and summaries.
std::array<QString, 6> stageTraceLegends();
QStringList stageTraceNames();

// The stage results file: a header and one line per sample, CR LF each.
QByteArray stageResultsHeader();
QByteArray stageResultsLine(const std::array<int32_t, 6>& values);
inline const QString kResultsFileFilter =
    QStringLiteral("CV5310 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");
inline const QString kResultsFileError = QStringLiteral("Error: Cannot Save Values to File");

// An open results file: the header is written when it opens; every line
// goes straight to the file so nothing is lost if the program ends.
class StageResultsFile {
public:
    // Null when the file cannot be created or its header written; `error`
    // then says why.
    static std::unique_ptr<StageResultsFile> create(const QString& path, QString* error = nullptr);
    // False once a line could not be written: the file ends on its last
    // whole line and takes no more.
    bool writeLine(const std::array<int32_t, 6>& values);
    bool close() { return file_.close(); }
    QString errorText() const { return file_.errorText(); }
    int lines() const { return lines_; }

private:
    explicit StageResultsFile(const QString& path) : file_(path) {}
    TrackedFile file_;
    int lines_ = 0;
};

} // namespace cv
