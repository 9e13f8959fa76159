#include "measure/OverviewCommand.h"

#include "config/OffsetCalibration.h"
#include "config/RegisterFields.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/SensorOverview.h"
#include "platform/Services.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>

namespace cv {

namespace {

void printJson(const QJsonObject& o)
{
    std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

double rounded(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

void say(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

bool RunOverviewCommand(double seconds)
{
    SensorOverviewReading r;
    if (r.start() != AdcReading::Start::Started)
        return false;
    const int64_t startMs = services().nowMs();
    const int whole = int(std::ceil(seconds));
    for (int t = 1; t <= whole; ++t) {
        if (!streamOverviewUntil(r, startMs + int64_t(std::min(double(t), seconds) * 1000), [] {}))
            return false;
        QJsonArray stages;
        // Before the first set there is no result to show, only why.
        const bool any = r.fetched() > 0;
        const QJsonValue none(QJsonValue::Null);
        for (int s = 0; s < kAdcStages; ++s) {
            const OverviewStage& st = r.stages()[size_t(s)];
            QJsonObject o{{QStringLiteral("stage"), s},
                          {QStringLiteral("cdc"), any ? QJsonValue(st.cdc) : none},
                          {QStringLiteral("amb"), st.amb},
                          {QStringLiteral("delta"), any ? QJsonValue(st.delta()) : none},
                          {QStringLiteral("high"), st.high},
                          {QStringLiteral("low"), st.low},
                          {QStringLiteral("touched"), any ? QJsonValue(st.touched()) : none}};
            if (!any)
                o[QStringLiteral("why")] = kNoSets;
            stages.append(o);
        }
        printJson({{QStringLiteral("t_s"), rounded(std::min(double(t), seconds), 3)},
                   {QStringLiteral("stages"), stages}});
    }
    r.stop();
    return true;
}

QJsonObject snrJson(int stage, const StageSnr& snr, const SensSuggestion& suggestion)
{
    auto optional = [](const std::optional<double>& v, int decimals) {
        return v ? QJsonValue(rounded(*v, decimals)) : QJsonValue(QJsonValue::Null);
    };
    QJsonObject o{
        {QStringLiteral("stage"), stage},
        {QStringLiteral("noise_sd"),
         snr.noiseSets > 0 ? QJsonValue(rounded(snr.noiseSd, 2)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("noise_pp"),
         snr.noiseSets > 0 ? QJsonValue(snr.noisePp) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("signal"), optional(snr.signal, 1)},
        {QStringLiteral("snr"), optional(snr.snr, 2)},
        {QStringLiteral("pass"), snr.pass ? QJsonValue(*snr.pass) : QJsonValue(QJsonValue::Null)}};
    const QJsonValue none(QJsonValue::Null);
    const QJsonValue value = suggestion.usable() ? QJsonValue(suggestion.sens) : none;
    o[QStringLiteral("suggested_pos_sens")] = suggestion.positive ? value : none;
    o[QStringLiteral("suggested_neg_sens")] = suggestion.positive ? none : value;
    if (!suggestion.usable())
        o[QStringLiteral("why")] = suggestion.why;
    return o;
}

std::vector<int> ConnectedSequenceStages()
{
    const int last = field::SEQUENCE_STAGE_NUM.of(ReadRegister(reg::PWR_CONTROL, TargetChip));
    std::vector<int> stages;
    for (int s = 0; s <= std::min(last, kAdcStages - 1); ++s) {
        int32_t w[2] = {};
        int16_t status = 0;
        ReadRegisters(reg::bank2(s, reg::CIN0_6_SETUP), 2, TargetChip, 0, status, w);
        const InputClassification c = classifyInputs(w[0], w[1]);
        if (c.PosCount + c.NegCount > 0)
            stages.push_back(s);
    }
    return stages;
}

QString requireFailure(int stage, const StageSnr& snr, double required)
{
    if (!snr.pass)
        return QStringLiteral("Stage %1 not judged: %2").arg(stage).arg(snr.why);
    if (!*snr.pass)
        return QStringLiteral("Stage %1 SNR %2 is below the required %3")
            .arg(stage)
            .arg(*snr.snr, 0, 'f', 2)
            .arg(required);
    return {};
}

int RunSnrCommand(const SnrOptions& options)
{
    SensorOverviewReading r;
    if (r.start() != AdcReading::Start::Started)
        return 1;
    std::vector<int> judged = options.stages;
    if (options.require && judged.empty())
        judged = ConnectedSequenceStages();
    std::vector<int> touchOrder = judged;
    if (touchOrder.empty())
        for (int s = 0; s < kAdcStages; ++s)
            touchOrder.push_back(s);

    SnrRecording rec;
    say(QStringLiteral("Measuring noise for %1 s: do not touch the sensors.")
            .arg(options.noiseSeconds));
    const auto noiseMs = int64_t(options.noiseSeconds * 1000);
    promptOperator({OperatorPrompt::HandsOff, {}, noiseMs});
    int64_t until = services().nowMs() + noiseMs;
    if (!streamOverviewUntil(r, until,
                     [&] { rec.addNoise(r.deltas(), r.setLimits() | r.takeChipLimits()); })) {
        promptOperator({});
        return 1;
    }
    // A chip status read in the step's last round counts too.
    rec.noteNoiseLimits(r.takeChipLimits());
    say(QStringLiteral("Touch each sensor now, one after the other (%1 s).")
            .arg(options.touchSeconds));
    const auto touchMs = int64_t(options.touchSeconds * 1000);
    promptOperator({OperatorPrompt::TouchInTurn, touchOrder, touchMs});
    until = services().nowMs() + touchMs;
    const bool recorded = streamOverviewUntil(r, until, [&] { rec.addTouch(r.deltas()); });
    promptOperator({});
    if (!recorded)
        return 1;
    r.stop();

    const double required = options.require.value_or(options.requiredSnr);
    std::vector<SensChoice> choices;
    QStringList failures;
    for (int s = 0; s < kAdcStages; ++s) {
        const StageSnr f = rec.figures(s, required);
        const StageTuningRegs regs = ReadStageTuningRegs(s);
        const SensSuggestion sug =
            suggestSensitivity(f, regs.offsetHigh, regs.offsetLow, options.fraction);
        if (std::find(judged.begin(), judged.end(), s) != judged.end())
            if (const QString why = requireFailure(s, f, required); !why.isEmpty())
                failures << why;
        if (sug.usable())
            choices.push_back({s, sug.positive, sug.sens});
        printJson(snrJson(s, f, sug));
    }
    if (options.apply)
        ApplySensChoices(choices);
    if (!options.require)
        return 0;
    if (judged.empty())
        failures << QStringLiteral("No stage to judge: none is sequenced with an input connected");
    for (const QString& f : failures)
        say(f);
    return failures.isEmpty() ? 0 : 1;
}

} // namespace cv
