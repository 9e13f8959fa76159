#pragma once
// `cv5320ctl stream`: the converter results view's continuous read without
// its window, on the program's clock, for a given time; writes the view's
// results file and ends with the stream statistics.

#include "measure/StreamStats.h"

#include <QString>
#include <QStringList>

namespace cv {

struct AdcStreamRun {
    StreamCounters counters;
    std::vector<RunningStats> stages; // stage 0 to 11, over the sets kept
    bool fileFailed = false;
    bool started = false; // the chip converted and the board took up the stream
};

// Streams for `seconds` of the services clock as the view does after its
// loading, with every stage shown; writes each kept set to `outPath` unless
// empty. A file that cannot be written gives the view's message and nothing
// is streamed; so do a chip in shutdown and a board that never streams.
AdcStreamRun StreamConverterResults(double seconds, const QString& outPath);

// The closing lines: counters, then one line per stage.
QStringList adcStreamSummary(const AdcStreamRun& run);

} // namespace cv
