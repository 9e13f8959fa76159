#include "measure/StageResults.h"

#include "link/RegMap.h"
#include "platform/NumText.h"

#include <cmath>

namespace cv {

QStringList sensitivityItems()
{
    return {QStringLiteral("25.00% "), QStringLiteral("29.73% "), QStringLiteral("34.40% "),
            QStringLiteral("39.08% "), QStringLiteral("43.79% "), QStringLiteral("48.47% "),
            QStringLiteral("53.15% "), QStringLiteral("57.83% "), QStringLiteral("62.51% "),
            QStringLiteral("67.22% "), QStringLiteral("71.90% "), QStringLiteral("76.58% "),
            QStringLiteral("81.28% "), QStringLiteral("85.96% "), QStringLiteral("90.64% "),
            QStringLiteral("95.32% ")};
}

QStringList peakDetectItems()
{
    return {QStringLiteral("40% "), QStringLiteral("50% "), QStringLiteral("60% "),
            QStringLiteral("70% "), QStringLiteral("80% "), QStringLiteral("90% "),
            QStringLiteral("90% "), QStringLiteral("90% ")};
}

SensitivityFields sensitivityFields(int32_t word)
{
    return {word & 0x000F, (word & 0x0070) >> 4, (word & 0x0F00) >> 8, (word & 0x7000) >> 12};
}

RegField posThresholdSensField(int stage)
{
    return {reg::bank2(stage, reg::SENSITIVITY), 0x0F00, 256};
}

RegField negThresholdSensField(int stage)
{
    return {reg::bank2(stage, reg::SENSITIVITY), 0x000F, 1};
}

int64_t highThreshold(double ambient, double offsetHigh, int posSens)
{
    return roundHalfEven(ambient + offsetHigh / 4.0 +
                         ((offsetHigh - offsetHigh / 4.0) / 16.0) * posSens);
}

int64_t lowThreshold(double ambient, double offsetLow, int negSens)
{
    return roundHalfEven(ambient - offsetLow / 4.0 -
                         ((offsetLow - offsetLow / 4.0) / 16.0) * negSens);
}

QString maxFormulaCaption()
{
    return QStringLiteral("Maximum Threshold Calculation");
}

QString minFormulaCaption()
{
    return QStringLiteral("Minimum Threshold Calculation");
}

QString maxFormulaText()
{
    return QStringLiteral("Max Thresh = Ambient + (Offset High/4) + ((Offset High - (Offset "
                          "High/4))/16) x Pos Sens");
}

QString minFormulaText()
{
    return QStringLiteral("Min Thresh = Ambient - (Offset Low/4) + ((Offset Low - (Offset "
                          "Low/4))/16) x Neg Sens");
}

namespace {
QString resultText(const char* head, const char* sign, int64_t ambient, int64_t offset, int sens,
                   int64_t threshold)
{
    const QString o = decText(offset);
    return QLatin1String(head) + decText(ambient) + QLatin1String(sign) + o +
           QStringLiteral("/4) + ((") + o + QStringLiteral("-") + o + QStringLiteral("/4)/16) x ") +
           decText(sens) + QStringLiteral(" = ") + decText(threshold);
}
} // namespace

QString maxResultText(int64_t ambient, int64_t offsetHigh, int posSens, int64_t threshold)
{
    return resultText("Max Threshold = ", " + (", ambient, offsetHigh, posSens, threshold);
}

QString minResultText(int64_t ambient, int64_t offsetLow, int negSens, int64_t threshold)
{
    return resultText("Min Threshold = ", " - (", ambient, offsetLow, negSens, threshold);
}

DiagramScale diagramScale(double ambient, double offsetHigh, double offsetLow)
{
    const double top = ambient + 1.5 * offsetHigh;
    const double bottom = ambient - 1.5 * offsetLow;
    DiagramScale s;
    s.span = roundHalfEven(top - bottom);
    // The top label sits on the first multiple of 10 at or above the top.
    int64_t start = roundHalfEven(top);
    for (int i = 0; i < 10 && start % 10 != 0; ++i)
        ++start;
    double value = double(start);
    for (int64_t& label : s.labels) {
        label = roundHalfEven(value);
        value -= double(s.span) / 5.0;
    }
    s.base = roundHalfEven(value);
    return s;
}

int64_t levelHeight(double value, const DiagramScale& scale)
{
    if (scale.span == 0)
        return 0;
    return roundHalfEven((value - double(scale.base)) *
                         (double(kDiagramHeightTwips) / double(scale.span)) * 0.69);
}

int64_t valueBoxNumber(const QString& text, bool armed, int32_t chipValue)
{
    if (!text.trimmed().isEmpty())
        return textValueRounded(text);
    return armed ? 0 : chipValue;
}

bool valueBoxInRange(int64_t value)
{
    return value >= 1 && value <= 65535;
}

QString maxThreshCaption(int stage)
{
    return QStringLiteral("Max Thresh 0x") + hexText(reg::bank3(stage, reg::HIGH_THRESHOLD));
}

QString minThreshCaption(int stage)
{
    return QStringLiteral("Min Thresh 0x") + hexText(reg::bank3(stage, reg::LOW_THRESHOLD));
}

std::array<QString, 3> statusLampCaptions(int stage)
{
    const QString s = decText(stage);
    return {QStringLiteral("Stage ") + s + QStringLiteral("  Low Limit Status"),
            QStringLiteral("Stage ") + s + QStringLiteral(" High Limit Status"),
            QStringLiteral("Stage ") + s + QStringLiteral(" Proximity Status")};
}

std::array<QString, 3> statusRowTitles()
{
    return {QStringLiteral("CDC Low Limit Status 0x08"),
            QStringLiteral("CDC High Limit Status 0x09"),
            QStringLiteral("Current Proximity Status 0x42")};
}

StatusRow statusRow(int32_t word, int stage, int32_t mask)
{
    StatusRow r;
    const int32_t shown = word & mask;
    r.lamp = (word >> stage) & 1;
    for (int i = 0; i < 16; ++i)
        r.bits[size_t(i)] = (shown >> i) & 1;
    r.valueText = hexText(shown);
    return r;
}

std::array<QString, 6> stageTraceLegends()
{
    return {QStringLiteral(" CDC Value"),  QStringLiteral("Ambient Value "),
            QStringLiteral("Max Average"), QStringLiteral("MaxThreshold"),
            QStringLiteral("Min Average"), QStringLiteral("Min Threshold")};
}

QStringList stageTraceNames()
{
    return {QStringLiteral("CDC-Val"),   QStringLiteral("Amb-Val"), QStringLiteral("Max-Avg"),
            QStringLiteral("Max-Thrsh"), QStringLiteral("Min-Avg"), QStringLiteral("Min-Thrsh")};
}

QByteArray stageResultsHeader()
{
    return QByteArrayLiteral("CDC-Val\tAmb-Val\tMax-Avg Max-Thrsh Min-Avg Min-Thrsh\r\n");
}

QByteArray stageResultsLine(const std::array<int32_t, 6>& values)
{
    // Values 0, 1, 3 and 4 are followed by a TAB and a blank, value 2 by a
    // TAB alone: the columns line up under the header in a text editor.
    QString line;
    for (size_t i = 0; i < values.size(); ++i) {
        line += decText(values[i]);
        if (i == 2)
            line += QLatin1Char('\t');
        else if (i < 5)
            line += QStringLiteral("\t ");
    }
    line += QStringLiteral("\r\n");
    return line.toLatin1();
}

std::unique_ptr<StageResultsFile> StageResultsFile::create(const QString& path, QString* error)
{
    std::unique_ptr<StageResultsFile> f(new StageResultsFile(path));
    if (f->file_.open() && f->file_.write(stageResultsHeader()))
        return f;
    if (error)
        *error = f->file_.errorText();
    return nullptr;
}

bool StageResultsFile::writeLine(const std::array<int32_t, 6>& values)
{
    // Each line goes straight to the file: a program that ends keeps every
    // sample written.
    if (!file_.write(stageResultsLine(values)))
        return false;
    ++lines_;
    return true;
}

} // namespace cv
