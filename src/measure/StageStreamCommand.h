#pragma once
// cv5320ctl stage-stream: one stage's live readout without the window, in
// summary or RAM mode, through the window's own passes; ends with the noise
// figures of the six traces.

#include "measure/CsvLog.h"

#include <QString>
#include <QStringList>

namespace cv {

struct StageStreamOptions {
    int stage = 0;
    bool ram = false;
    double seconds = 1.0;
    QString out;    // results file, or empty
    CsvRequest csv; // with the stage's registers besides 0x000 to 0x007
};

// Streams for the given time of the services clock. Returns the summary
// lines (streamSummary), or nothing after a message (shutdown mode, a file
// that cannot be written).
QStringList RunStageStream(const StageStreamOptions& options, bool* ok);

} // namespace cv
