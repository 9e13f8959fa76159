#include "demo/DemoCommand.h"

#include "demo/DemoDecoders.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"
#include "link/Startup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace cv {

void DemoStartupWrites(const DemoVariant& v)
{
    const int32_t control = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    if (!(control & 0x0002)) // the demo always starts in threshold mode
        WriteRegister(reg::board::BoardControlWord, control | 0x0002, TargetBoard);
    if (v.clearsResultWords) {
        WriteRegister(reg::board::CapturedData, 0, TargetBoard);
        WriteRegister(reg::board::CapturedData + 1, 0, TargetBoard);
    }
}

bool demoTabFromName(const QString& name, DemoTab* tab)
{
    if (name == QLatin1String("demo"))
        *tab = DemoTab::Demo;
    else if (name == QLatin1String("slider"))
        *tab = DemoTab::Slider;
    else if (name == QLatin1String("joypad"))
        *tab = DemoTab::JoyPad;
    else
        return false;
    return true;
}

namespace {

QJsonArray keyNames(const KeysView& k)
{
    QJsonArray a;
    for (int i : {KeyUp, KeyDown, KeyLeft, KeyRight, KeyCentre})
        if (k.pressed[static_cast<size_t>(i)])
            a.append(demoKeyName(i));
    return a;
}

QJsonArray numbers(const std::array<int32_t, 8>& v)
{
    QJsonArray a;
    for (int32_t x : v)
        a.append(x);
    return a;
}

QJsonObject sliderJson(int boardId, const SliderView& s)
{
    QJsonObject o;
    if (boardId == 1) {
        o[QStringLiteral("abs_pos")] = s.absPos;
        o[QStringLiteral("tap")] = s.tap;
        o[QStringLiteral("active")] = s.active;
        o[QStringLiteral("sensors")] = numbers(s.segments);
        o[QStringLiteral("lower_threshold")] = s.lowerThreshold;
        o[QStringLiteral("upper_threshold")] = s.upperThreshold;
        o[QStringLiteral("proximity")] = s.proximity;
    } else {
        o[QStringLiteral("segments")] = numbers(s.segments);
        o[QStringLiteral("segment_flags")] = s.segmentFlags;
        o[QStringLiteral("abs_pos")] = s.absPos;
        o[QStringLiteral("unscaled_disp")] = s.unscaledDisp;
        if (boardId == 70) {
            o[QStringLiteral("displacement")] = s.displacement;
            o[QStringLiteral("nb_positions")] = s.nbPositions;
        } else {
            o[QStringLiteral("mean")] = s.mean;
            o[QStringLiteral("reverse_mean")] = s.reverseMean;
            o[QStringLiteral("position_ratio")] = s.positionRatio;
            o[QStringLiteral("pos_disp")] = s.posDisp;
        }
    }
    return o;
}

} // namespace

bool RunDemoCommand(DemoTab tab, double seconds)
{
    const int boardId = readBoardId();
    const DemoVariant* v = demoVariantFor(boardId);
    if (!v) {
        services().message(QStringLiteral("Board %1 has no demo").arg(boardId), MsgIcon::Critical);
        return false;
    }
    DemoStartupWrites(*v);
    const bool converting = (ReadRegister(reg::PWR_CONTROL, TargetChip) & 1) == 0;
    const int64_t startMs = services().nowMs();
    DemoLoop loop(*v);
    if (loop.start(tab, converting) != DemoLoop::Start::Running)
        return false;

    DecoderState state;
    state.restart();
    int list = 0;
    const int64_t endMs = startMs + static_cast<int64_t>(seconds * 1000);
    for (;;) {
        if (services().nowMs() >= endMs)
            loop.stop();
        const DemoLoop::Pass p = loop.pass();
        if (p.rearmFailed) {
            services().message(rearmFailedText(demoTabTraffic(*v, tab).modeWord));
            return false;
        }
        if (p.kind == DemoLoop::Pass::Ended)
            break;
        if (p.kind == DemoLoop::Pass::Shown) {
            QJsonObject o;
            o[QStringLiteral("t_ms")] = static_cast<qint64>(services().nowMs() - startMs);
            const int32_t* w = p.block.data();
            if (tab == DemoTab::Demo) {
                const DemoView d =
                    decodeDemoBlock(w, state, list, int(countryNames().size()), true);
                list = d.list;
                o[QStringLiteral("keys")] = keyNames(d.keys);
                o[QStringLiteral("clicks")] = d.clicks;
                o[QStringLiteral("list")] = d.list;
                o[QStringLiteral("item")] = countryNames()[d.list];
                o[QStringLiteral("pos")] = d.position;
                o[QStringLiteral("tick")] = d.tick;
                o[QStringLiteral("tap")] = d.tap;
                o[QStringLiteral("active")] = d.active;
            } else if (tab == DemoTab::JoyPad) {
                const JoyPadView j = decodeJoyPadBlock(w, state, true);
                o[QStringLiteral("keys")] = keyNames(j.keys);
                o[QStringLiteral("clicks")] = j.keys.clicks;
                o[QStringLiteral("row")] = state.row;
                o[QStringLiteral("col")] = state.col;
                o[QStringLiteral("zoom")] = j.zoom;
            } else {
                o = sliderJson(boardId, decodeSliderBlock(boardId, w));
                o[QStringLiteral("t_ms")] = static_cast<qint64>(services().nowMs() - startMs);
                o[QStringLiteral("keys")] = QJsonArray();
                o[QStringLiteral("clicks")] = 0;
            }
            std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
            std::fflush(stdout);
        }
        services().sleepMs(p.pauseMs);
    }
    return true;
}

} // namespace cv
