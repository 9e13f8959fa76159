#include "measure/StageStreamCommand.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ConversionClock.h"
#include "measure/StageResults.h"
#include "measure/StageStream.h"
#include "platform/Services.h"

#include <memory>
#include <optional>
#include <vector>

namespace cv {

QStringList RunStageStream(const StageStreamOptions& options, bool* ok)
{
    *ok = false;
    const int stage = options.stage;
    const StageTab tab = options.ram ? StageTab::RamData : StageTab::InitialSetup;
    // What the window does when it opens on the tab.
    const int64_t armedUs = services().nowUs();
    WriteRegister(reg::board::BoardStageSelect, stageCaptureWord(stage, tab), TargetBoard);
    const int32_t power = ReadRegister(reg::PWR_CONTROL, TargetChip);
    UpdateRegister(reg::board::BoardControlWord, 0xFFFD, 0, TargetBoard);
    const int32_t offsetLow = ReadRegister(reg::bank2(stage, reg::OFFSET_LOW), TargetChip);
    const int32_t offsetHigh = ReadRegister(reg::bank2(stage, reg::OFFSET_HIGH), TargetChip);
    const int mode = power & 3;
    if (mode == 1 || mode == 3) {
        services().message(QStringLiteral("CV5310 is in Shutdown Mode. No Results Available"));
        EndCapture();
        return {};
    }

    std::unique_ptr<StageResultsFile> file;
    if (!options.out.isEmpty()) {
        QString why;
        file = StageResultsFile::create(options.out, &why);
        if (!file) {
            services().message(kResultsFileError + QLatin1Char('\n') + why);
            EndCapture();
            return {};
        }
    }

    std::unique_ptr<CsvLog> log;
    if (!options.csv.path.isEmpty()) {
        QString why;
        std::vector<int16_t> regs{0, 1, 2, 3, 4, 5, 6, 7};
        for (int k = 0; k < 8; ++k)
            regs.push_back(reg::bank2(stage, k));
        QList<CsvColumn> columns;
        for (const char* name : {"cdc", "ambient", "max_avg", "max_thresh", "min_avg", "min_thresh"})
            columns.append({QLatin1String(name), QStringLiteral("LSB")});
        log = CsvLog::create(options.csv.path, options.csv.origin, registerStamp(regs), columns,
                             &why);
        if (!log) {
            services().message(kResultsFileError + QLatin1Char('\n') + why);
            EndCapture();
            return {};
        }
    }

    std::vector<RunningStats> stats(6);
    std::optional<BoardCountsSince> counts;
    StreamTimeBase time;
    StagePassLoop loop;
    loop.start();
    loop.claimCapture(stageCaptureWord(stage, tab));
    bool lost = false;
    const int64_t end = services().nowMs() + int64_t(options.seconds * 1000.0);
    while (services().nowMs() < end) {
        const StagePassResult r = loop.pass(tab, offsetHigh, offsetLow);
        if (r.rearmFailed) {
            services().message(rearmFailedText(stageCaptureWord(stage, tab)));
            lost = true;
            break;
        }
        // The board has caught up after this start's first request: only
        // what it drops from here counts.
        if (!counts) {
            counts.emplace();
            time.start(setPeriodSeconds(power), armedUs);
        }
        if (r.rearmed)
            time.pause();
        ConversionStamp stamp;
        if (r.sample)
            stamp = time.fetched();
        if (r.append && r.sample) {
            for (size_t i = 0; i < 6; ++i)
                stats[i].add(r.sample->graph[i], stamp.seconds);
            if (file && !file->writeLine(r.sample->graph))
                break; // saving stops; the file keeps its whole lines
            if (log && !log->row(stamp.seconds, stamp.fetchSeconds, r.sample->graph.data())) {
                services().message(kResultsFileError + QLatin1Char('\n') + log->errorText());
                lost = true;
                break;
            }
        }
        if (r.nextIntervalMs > 0)
            services().sleepMs(r.nextIntervalMs);
    }
    // As the window's stop button and the end of its loop.
    loop.releaseCapture();
    EndCapture();
    services().sleepMs(20);
    EndCapture();
    if (log && !log->close() && !lost) {
        services().message(kResultsFileError + QLatin1Char('\n') + log->errorText());
        lost = true;
    }
    if (file && !file->close()) {
        services().message(kResultsFileError + QLatin1Char('\n') + file->errorText());
        return {};
    }
    *ok = !lost;
    const StreamCounters counters =
        counts ? counts->finish(loop.fetched()) : StreamCounters{0, 0, 0};
    // The summary counts it; say it in words too, where a user looks for trouble.
    if (const QString dropped = droppedSetsText(counters.overflow); !dropped.isEmpty())
        services().message(dropped);
    return streamSummary(counters, stageTraceNames(), stats);
}

} // namespace cv
