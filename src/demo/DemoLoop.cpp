#include "demo/DemoLoop.h"

#include "config/DiagramOps.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"

#include <algorithm>

namespace cv {

namespace {
// Boards 58 and 70 drop more blocks after a start than board 1: their
// firmware reports a stale block or two after switching modes.
const DemoVariant kVariants[] = {
    {1, "EvalBoard2Frm", 12, DemoParams::RelativeMovement, true, {1, 1, 1}, {3, 3, 3}},
    {58, "EvalBoard3Frm", 15, DemoParams::Full, false, {2, 1, 3}, {4, 3, 4}},
    {70, "EvalBoard4Frm", 14, DemoParams::Basic, false, {2, 1, 3}, {4, 3, 4}},
};

int tabSlot(DemoTab tab)
{
    return tab == DemoTab::Demo ? 0 : tab == DemoTab::Slider ? 1 : 2;
}
} // namespace

const DemoVariant* demoVariantFor(int boardId)
{
    for (const auto& v : kVariants)
        if (v.boardId == boardId)
            return &v;
    return nullptr;
}

bool isLiveTab(DemoTab tab)
{
    return tab == DemoTab::Demo || tab == DemoTab::Slider || tab == DemoTab::JoyPad;
}

DemoTabTraffic demoTabTraffic(const DemoVariant& v, DemoTab tab)
{
    switch (tab) {
    case DemoTab::Slider:
        return {reg::board::SliderMode, v.sliderWords, reg::board::CapturedData, 1, 50};
    case DemoTab::JoyPad: return {reg::board::JoyPadMode, 2, reg::board::StatusProbe, 2, 0};
    default: return {reg::board::DemoMode, 6, reg::board::StatusProbe, 2, 50};
    }
}

DemoLoop::Start DemoLoop::start(DemoTab tab, bool chipConverting)
{
    running_ = active_ = false;
    lease_.release();
    tab_ = tab;
    ReadRegister(reg::PART_ID, TargetChip);
    services().sleepMs(50);
    if (!chipConverting) {
        services().message(kShutdownMessage, MsgIcon::None, kAppTitle, MsgButtons::Ok);
        return Start::Shutdown;
    }
    if (!AwaitStageSelect(demoTabTraffic(variant_, tab).modeWord))
        return Start::NoHandshake;
    running_ = active_ = true;
    counter_ = 0;
    status_ = 0;
    lease_ = CaptureLease([this] {
        const ModeHandshake h = handshakeCaptureMode(demoTabTraffic(variant_, tab_).modeWord);
        status_ = h.status;
        return h.held;
    });
    return Start::Running;
}

DemoLoop::Pass DemoLoop::pass()
{
    Pass p;
    if (!active_)
        return p;
    if (running_) {
        switch (lease_.check()) {
        case CaptureLease::Check::Intact: break;
        case CaptureLease::Check::Rearmed: p.rearmed = true; break;
        case CaptureLease::Check::Failed:
            p.rearmFailed = true;
            running_ = false;
            break;
        }
    }
    if (!running_) {
        lease_.release(); // the loop's own end is no interruption
        ReadRegister(reg::PART_ID, TargetChip);
        active_ = false;
        return p;
    }
    const DemoTabTraffic t = demoTabTraffic(variant_, tab_);
    int32_t words[28] = {};
    if (status_ != 1) {
        ReadRegisters(t.probeAddress, t.probeCount, TargetBoard, 0, status_, words);
        p.kind = Pass::Idle;
        p.pauseMs = t.idlePauseMs;
        return p;
    }
    ReadRegisters(reg::board::CapturedData, t.blockWords, TargetBoard, 1, status_, words);
    const int slot = tabSlot(tab_);
    const bool show = counter_ >= variant_.showFrom[slot];
    counter_ = std::min(counter_ + 1, variant_.ceiling[slot]);
    p.kind = show ? Pass::Shown : Pass::Settling;
    if (show)
        p.block.assign(words, words + t.blockWords);
    return p;
}

} // namespace cv
