#pragma once
// Everything the program does to the outside world beside USB goes through
// this one interface: message boxes, file dialogs, modal windows, pauses, the
// clock, sound and the program's end. The GUI installs a Qt implementation,
// the command line one that writes to stderr, tests a recording fake.

#include "platform/Clock.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QObject;

namespace cv {

inline const QString kAppTitle = QStringLiteral("CV5320 Evaluation Software");

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

struct FileDialogRequest {
    bool save = false;
    QString title;
    // Filter in the "Description|*.ext|Description|*.*" form the windows give.
    QString filter;
    int filterIndex = 1; // 1-based, as the windows give it
    QString initialDir;
    QString fileName;
    bool hideReadOnly = true;
};

// Thrown by a test's fake when the program would end, so the call stack
// unwinds instead of the process exiting.
struct ProgramEnded {
    int code;
};

class Services {
public:
    virtual ~Services() = default;

    virtual MsgResult message(const QString& text, MsgIcon icon = MsgIcon::None,
                              const QString& title = kAppTitle,
                              MsgButtons buttons = MsgButtons::Ok) = 0;
    // Full path chosen, or nothing when the user cancelled.
    virtual std::optional<QString> fileDialog(const FileDialogRequest& request) = 0;
    // Shows a window modally; returns when it is closed. `window` is a QWidget.
    virtual void showModal(QObject* window) = 0;
    // Blocking pause of the calling (only) thread.
    virtual void sleepMs(int ms) = 0;
    // Lets pending window events run once.
    virtual void processEvents() = 0;
    virtual void playSound(const QString& file) = 0;
    // Waits at most `ms` for file descriptor `fd` to have something to read
    // (or its end); false when nothing came. A pipe, socket or terminal
    // with nobody at its other end is given up on this way.
    virtual bool waitReadable(int fd, int ms);
    // Flushes and closes every file being written, then ends the program.
    [[noreturn]] void endProgram(int code);

    virtual const Clock& clock() const = 0;
    int64_t nowUs() const { return clock().nowUs(); }
    int64_t nowMs() const { return clock().nowUs() / 1000; }

protected:
    // Ends the program (or, in a test, throws ProgramEnded). Files are
    // already closed when it is called.
    virtual void quit(int code) = 0;
};

Services& services();
// Installs the services for the whole process; returns the previous ones.
Services* setServices(Services* s);

// What a guided measurement asks of the person at the board, besides the
// words it shows them: keep hands off, touch the listed stages' sensors one
// after the other within `durationMs`, or carry on as you like. A listener
// (the simulated board's finger) may follow it; nothing else hears it.
struct OperatorPrompt {
    enum Kind { HandsOff, TouchInTurn, Done } kind = Done;
    std::vector<int> stages;
    int64_t durationMs = 0;
};
void promptOperator(const OperatorPrompt& prompt);
// One listener at a time; an empty function removes it.
void setPromptListener(std::function<void(const OperatorPrompt&)> listener);

// Convenience for the one fatal message every window shares.
// `detail` (what went wrong, when known) follows the fixed text on a line of its own.
[[noreturn]] void fatalUsbFailure(const QString& detail = {});

// Output beside the windows that could not be written completely (the USB
// trace on a full disk): said once on stderr, the run goes on, and the exit
// status is then non-zero.
void reportIncompleteOutput(const QString& what);
// The exit status for `code` after what was reported above.
int exitStatus(int code);

} // namespace cv
