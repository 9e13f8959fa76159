#include "measure/AdcStream.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/AdcReading.h"
#include "measure/ConversionClock.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"

#include <memory>

namespace cv {

AdcStreamRun StreamConverterResults(double seconds, const QString& outPath, const CsvRequest& csv)
{
    AdcStreamRun run;
    run.stages.resize(kAdcStages);
    const ConverterLoad load = LoadConverterView();
    AdcReading reading;
    if (!load.converting) {
        reading.start(false); // the shutdown message; no file is made
        return run;
    }

    std::unique_ptr<TrackedFile> file;
    std::unique_ptr<CsvLog> log;
    // The file keeps its whole lines; saving, and with it the run, stops.
    auto fileFailed = [&run](const QString& why) {
        services().message(why.isEmpty() ? kAdcFileError : kAdcFileError + QLatin1Char('\n') + why);
        run.fileFailed = true;
        return run;
    };
    if (!outPath.isEmpty()) {
        file = std::make_unique<TrackedFile>(outPath);
        if (!file->open() || !file->write(adcResultsHeaderLine()))
            return fileFailed(file->errorText());
    }
    if (!csv.path.isEmpty()) {
        QList<CsvColumn> columns;
        for (int s = 0; s < kAdcStages; ++s)
            columns.append({QStringLiteral("stage%1").arg(s), QStringLiteral("LSB")});
        QString why;
        log = CsvLog::create(csv.path, csv.origin, registerStamp({0, 1, 2, 3, 4, 5, 6, 7}),
                             columns, &why);
        if (!log)
            return fileFailed(why);
    }

    const int64_t armedUs = services().nowUs();
    if (reading.start(load.converting) != AdcReading::Start::Started)
        return run;
    // After the start's handshake: only what the board drops from here counts.
    const BoardCountsSince counts;
    StreamTimeBase time;
    time.start(setPeriodSeconds(load.pwrControl), armedUs);
    run.started = true;
    const int64_t endUs = services().nowUs() + static_cast<int64_t>(seconds * 1e6);
    int64_t fetched = 0;
    while (services().nowUs() < endUs) {
        const AdcReading::Pass pass = reading.pass();
        if (pass.rearmFailed) {
            services().message(rearmFailedText(reg::board::StreamResults));
            run.rearmFailed = true;
            break;
        }
        if (pass.rearmed)
            time.pause();
        ConversionStamp stamp;
        if (pass.fetched) {
            ++fetched;
            stamp = time.fetched();
        }
        if (pass.fetched && pass.addsPoints) {
            const auto& r = reading.results();
            for (int s = 0; s < kAdcStages; ++s)
                run.stages[size_t(s)].add(r[size_t(s)], stamp.seconds);
            if (file && !file->write(adcResultsDataLine(r.data()))) {
                fileFailed(file->errorText());
                break;
            }
            if (log && !log->row(stamp.seconds, stamp.fetchSeconds, r.data())) {
                fileFailed(log->errorText());
                break;
            }
        }
        if (pass.nextIntervalMs > 0)
            services().sleepMs(pass.nextIntervalMs);
    }
    reading.stop();
    reading.finish();
    if (file && !file->close() && !run.fileFailed)
        fileFailed(file->errorText());
    if (log && !log->close() && !run.fileFailed)
        fileFailed(log->errorText());

    run.counters = counts.finish(fetched);
    return run;
}

QStringList adcStreamSummary(const AdcStreamRun& run)
{
    QStringList names;
    for (int s = 0; s < kAdcStages; ++s)
        names << QStringLiteral("stage %1").arg(s);
    return streamSummary(run.counters, names, run.stages);
}

} // namespace cv
