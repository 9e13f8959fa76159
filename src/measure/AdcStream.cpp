#include "measure/AdcStream.h"

#include "link/UsbUtils.h"
#include "measure/AdcReading.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"

#include <memory>

namespace cv {

AdcStreamRun StreamConverterResults(double seconds, const QString& outPath)
{
    AdcStreamRun run;
    run.stages.resize(kAdcStages);
    const ConverterLoad load = LoadConverterView();

    std::unique_ptr<TrackedFile> file;
    if (!outPath.isEmpty()) {
        file = std::make_unique<TrackedFile>(outPath);
        if (!file->open() || !file->write(adcResultsHeaderLine())) {
            services().message(kAdcFileError + QLatin1Char('\n') + file->errorText());
            run.fileFailed = true;
            return run;
        }
    }

    const BoardCountsSince counts;
    AdcReading reading;
    if (reading.start(load.converting) != AdcReading::Start::Started)
        return run;
    run.started = true;
    const int64_t endUs = services().nowUs() + static_cast<int64_t>(seconds * 1e6);
    int64_t fetched = 0;
    while (services().nowUs() < endUs) {
        const AdcReading::Pass pass = reading.pass();
        if (pass.fetched)
            ++fetched;
        if (pass.fetched && pass.addsPoints) {
            const auto& r = reading.results();
            for (int s = 0; s < kAdcStages; ++s)
                run.stages[size_t(s)].add(r[size_t(s)]);
            if (file && !file->write(adcResultsDataLine(r.data()))) {
                // The file keeps its whole lines; saving, and with it the run, stops.
                services().message(kAdcFileError + QLatin1Char('\n') + file->errorText());
                run.fileFailed = true;
                break;
            }
        }
        if (pass.nextIntervalMs > 0)
            services().sleepMs(pass.nextIntervalMs);
    }
    reading.stop();
    reading.finish();
    if (file && !file->close() && !run.fileFailed) {
        services().message(kAdcFileError + QLatin1Char('\n') + file->errorText());
        run.fileFailed = true;
    }

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
