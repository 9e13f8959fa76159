#pragma once
// What the stage window's files share: the names and colours of its
// controls and the small factories that make them.

#include "link/RegMap.h"
#include "widgets/TracePalette.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>

namespace cv::stageui {

inline const QString kValueTip =
    QStringLiteral("Type Number. Then Press \"Enter\" Or use Arrows to move Up/Down by 50");
// The chart's own colours, told apart by colour-blind readers.
inline const QColor kTraceColors[6] = {chart::traceColor(0), chart::traceColor(1),
                                       chart::traceColor(2), chart::traceColor(3),
                                       chart::traceColor(4), chart::traceColor(5)};
inline constexpr int kBoxCount = 4;
inline const char* const kBoxNames[kBoxCount] = {"OffsetHighTxt", "OffsetLowTxt", "HighClampTxt",
                                                 "LowClampTxt"};
inline const char* const kSpinNames[kBoxCount] = {"OffsetHighUpDown", "OffsetLowUpDown",
                                                  "HighClampUpDown", "LowClampUpDown"};

// The RAM Data rows: name label, first word, number of words.
struct RamRow {
    const char* label;
    const char* box;
    int first;
    int count;
    int nameIndex; // in StageResultsSetup.Labels
};
inline const RamRow kRamRows[15] = {
    {"CurValLbl", "CurValTxt", reg::CONV_DATA, 1, 5},
    {"FastFifoLbl", "FastFifoTxt", reg::FF_FIFO, 8, 6},
    {"SlowFifoLbl", "SlowFifoTxt", reg::SF_FIFO, 8, 7},
    {"AmbientLbl", "AmbientTxt", reg::SF_AMB, 1, 8},
    {"FastAvgLbl", "FastAvgTxt", reg::FF_AVG, 1, 9},
    {"CdcStoreLbl", "CdcStoreTxt", reg::PEAK_DETECT, 2, 10},
    {"MaxAvgFifoLbl", "MaxAvgFifoTxt", reg::MAX_FIFO, 4, 11},
    {"MaxAvgLbl", "MaxAvgTxt", reg::MAX_AVG, 1, 12},
    {"MaxTreshLbl", "MaxTreshTxt", reg::HIGH_THRESHOLD, 1, 13},
    {"MaxTmpValLbl", "MaxTmpValTxt", reg::MAX_TEMP, 1, 14},
    {"MinAvgFifoLbl", "MinAvgFifoTxt", reg::MIN_FIFO, 4, 15},
    {"MinAvgLbl", "MinAvgTxt", reg::MIN_AVG, 1, 16},
    {"MinTreshLbl", "MinTreshTxt", reg::LOW_THRESHOLD, 1, 17},
    {"MinTmpValLbl", "MinTmpValTxt", reg::MIN_TEMP, 1, 18},
    {"SpareLbl", "SpareTxt", reg::UNUSED, 1, 19},
};

inline QLabel* namedLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

inline QLineEdit* numberBox(QWidget* parent, const QString& name, int width = 70,
                            bool readOnly = false)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setFixedWidth(width);
    t->setAlignment(Qt::AlignRight);
    t->setReadOnly(readOnly);
    return t;
}

inline QComboBox* list(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setMinimumWidth(86);
    return c;
}

} // namespace cv::stageui
