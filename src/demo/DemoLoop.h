#pragma once
// The demo's polling loop as single passes: a timer (the window) or a plain
// loop (cv5320ctl) runs one pass per tick and waits the pause the pass asks
// for. The three sensor boards differ only in the data below.

#include "link/CaptureOwner.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace cv {

enum class DemoTab { Demo = 0, Control = 1, Slider = 2, JoyPad = 3 };

// Which demo parameters a board's window offers.
enum class DemoParams {
    RelativeMovement, // board 1: RelMovementTxt (board register 4)
    Full,             // board 58: autoscroll, resolution, the two boxes and 0x03C..0x040
    Basic,            // board 70: autoscroll, resolution and the two boxes
};

struct DemoVariant {
    int boardId;
    const char* className; // EvalBoard2Frm, EvalBoard3Frm, EvalBoard4Frm
    int sliderWords;       // result words of the Slider tab
    DemoParams params;
    bool clearsResultWords; // start-up writes board 0x00B := 0 and 0x00C := 0
    // Settling: a block is shown once the counter reached showFrom; the
    // counter stops at the ceiling. Demo, Slider, JoyPad.
    int showFrom[3];
    int ceiling[3];
};

// The variant of a board identifier, or null for an unknown board.
const DemoVariant* demoVariantFor(int boardId);

// What a live tab sends and reads.
struct DemoTabTraffic {
    int32_t modeWord;     // to BoardStageSelect
    int blockWords;       // read from board 0x00B with Index 1
    int16_t probeAddress; // read with Index 0 only for a fresh status
    int probeCount;
    int idlePauseMs; // after a probe: 50, or 0 on the JoyPad tab
};
DemoTabTraffic demoTabTraffic(const DemoVariant& v, DemoTab tab);
bool isLiveTab(DemoTab tab);

inline const QString kShutdownMessage =
    QStringLiteral("CV5320 is in Shutdown Mode. No Results Available");

class DemoLoop {
public:
    explicit DemoLoop(const DemoVariant& variant) : variant_(variant) {}
    DemoLoop(const DemoLoop&) = delete;
    DemoLoop& operator=(const DemoLoop&) = delete;

    enum class Start { Running, Shutdown, NoHandshake };
    // A live tab's start after the previous loop ended: reads 0x017, pauses
    // 50 ms, refuses with the shutdown message while the chip does not
    // convert, then switches the firmware's mode (bounded at 2 s).
    Start start(DemoTab tab, bool chipConverting);

    struct Pass {
        enum Kind { Ended, Idle, Settling, Shown } kind = Ended;
        std::vector<int32_t> block; // Shown: the result words
        int pauseMs = 0;            // before the next pass
        bool rearmed = false;       // the capture had been ended elsewhere and was armed again
        bool rearmFailed = false;   // Ended: ... and the board did not take the mode up again
    };
    // One turn of the loop. After stop(), the next pass reads 0x017 (the end
    // of the capture) and ends the loop. A capture ended or switched
    // elsewhere is armed again first with the tab's handshake; if the board
    // does not take it up, the loop ends as after stop().
    Pass pass();
    void stop() { running_ = false; }

    bool active() const { return active_; } // a loop runs and has not ended
    bool running() const { return running_; }
    DemoTab tab() const { return tab_; }
    int blockCounter() const { return counter_; }

private:
    const DemoVariant& variant_;
    DemoTab tab_ = DemoTab::Demo;
    bool running_ = false, active_ = false;
    int counter_ = 0;
    int16_t status_ = 0;
    CaptureLease lease_;
};

} // namespace cv
