#pragma once
// Chooses and constructs the board for this run (the one place that decides
// between the simulated board and a real one) and wraps it with the USB trace.

#include "link/TracingUsbAccess.h"
#include "link/UsbAccess.h"
#include "platform/Clock.h"
#include "platform/OpenFiles.h"

#include <QString>
#include <memory>
#include <optional>

namespace cv {

namespace sim {
class SimBoard;
}

struct BoardOptions {
    QString board;    // "", "sim", "sim:N", "usb", "usb:BUS-PORT", "fx2-emu"
    QString usbLog;   // file for the vendor request trace, or empty
    QString scenario; // simulated finger: "", "none" or a file
    QString simFault; // "", "request=N" or "after=MS": the simulated board fails
};

// A failure the simulated board rehearses: the N-th vendor request (from 1),
// or every request from MS milliseconds after the board was built.
struct SimFault {
    enum Kind { Request, After } kind = Request;
    int64_t at = 0;
};
// Nothing when not understood; `error` then says why (a number out of range
// is said as such).
std::optional<SimFault> parseSimFault(const QString& text, QString* error = nullptr);

// Parses the value of --board; nullopt when it is not understood.
struct BoardChoice {
    enum Kind { Auto, Sim, Usb, Fx2Emu } kind = Auto;
    int simBoardId = 58;
    QString usbPort; // "BUS-PORT" when usb: names the device
};
std::optional<BoardChoice> parseBoardOption(const QString& text);
// What is wrong with the board and fault options, else empty: checked before
// anything starts.
QString boardOptionsError(const BoardOptions& options);

class BoardSession {
public:
    // Constructs the board; on a bad option returns null and sets `error`.
    static std::unique_ptr<BoardSession> create(const BoardOptions& options, const Clock& clock,
                                                QString* error);
    ~BoardSession();

    UsbAccess& access();
    // Shown by the windows so the user always knows what they talk to.
    QString description() const { return description_; }
    // The simulated board when this run uses one (for its own window), else null.
    sim::SimBoard* simulatedBoard() const { return sim_; }

private:
    BoardSession() = default;
    std::unique_ptr<UsbAccess> board_;
    std::unique_ptr<TracingUsbAccess> tracer_;
    std::unique_ptr<TrackedFile> log_;
    sim::SimBoard* sim_ = nullptr;
    bool followPrompts_ = false; // the simulated finger follows operator prompts
    QString description_;
};

} // namespace cv
