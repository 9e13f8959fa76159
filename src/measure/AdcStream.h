#pragma once
// `cv5320ctl stream`: the converter results view's continuous read without
// its window, on the program's clock, for a given time; writes the view's
// results file and ends with the stream statistics.

#include "measure/CsvLog.h"
#include "measure/StreamStats.h"

#include <QString>
#include <QStringList>

namespace cv {

struct AdcStreamRun {
    StreamCounters counters;
    std::vector<RunningStats> stages; // stage 0 to 11, over the sets kept
    bool fileFailed = false;
    bool started = false;     // the chip converted and the board took up the stream
    bool rearmFailed = false; // the capture was ended and the board did not take it up again
};

// Streams for `seconds` of the services clock as the view does after its
// loading, with every stage shown; writes each kept set to `outPath` unless
// empty, and to the CSV log when one is asked for (its registers 0x000 to
// 0x007). A file that cannot be written gives the view's message and nothing
// is streamed; so do a chip in shutdown (no file is created then) and a
// board that never streams.
AdcStreamRun StreamConverterResults(double seconds, const QString& outPath,
                                    const CsvRequest& csv = {});

// The closing lines: counters, then one line per stage.
QStringList adcStreamSummary(const AdcStreamRun& run);

} // namespace cv
