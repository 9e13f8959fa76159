#pragma once
// The one owner of the board's capture mode. The firmware captures in the
// mode last written to BoardStageSelect until a read of chip register 0x017
// ends it. The register transport reports both here, so nothing that talks
// to the board can change the capture without the owner knowing.
//
// A live view holds a CaptureLease while it reads. The lease remembers the
// capture the view armed; when anyone ends that capture or switches the
// board to another mode (the main window identifying the chip, a field
// change in the view itself, another window), the view's next pass finds
// the lease interrupted and re-arms with the view's own start handshake
// before it carries on. The view's own stop and restart are claimed as its
// own and never count as an interruption.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace cv {

class CaptureLease;

class CaptureOwner {
public:
    // Reported by the transport: a write of BoardStageSelect, and a read of
    // chip registers that covers 0x017.
    void modeWritten(int32_t word);
    void captureEnded();

    bool capturing() const { return capturing_; }
    int32_t mode() const { return mode_; }
    // How many captures were ended so far; with the mode, what a lease
    // compares against the capture it armed.
    uint64_t ends() const { return ends_; }
    int leaseCount() const { return int(leases_.size()); }

    // Forgets the board: no capture, no mode (a new board was attached).
    void reset();

private:
    friend class CaptureLease;
    void enroll(CaptureLease* lease);
    void leave(CaptureLease* lease);

    bool capturing_ = false;
    int32_t mode_ = -1;
    uint64_t ends_ = 0;
    std::vector<CaptureLease*> leases_;
};

// The owner of the run, beside the transport.
CaptureOwner& captureOwner();

// The streaming views' start handshake: writes the mode word to
// BoardStageSelect and reads it back every 50 ms until it holds, for at most
// timeoutMs of the services clock. No message: callers say what failed in
// their own way. The status is the one the last read-back returned, so a
// set the board already holds is fetched on the first pass.
struct ModeHandshake {
    bool held = false;
    int16_t status = 0;
};
ModeHandshake handshakeCaptureMode(int32_t word, int timeoutMs = 2000);
// What a view says when its capture was ended elsewhere and the board did
// not take its mode up again.
QString rearmFailedText(int32_t word);
// What a view shows once it re-armed: reading goes on, and how often it broke.
QString rearmedText(int rearms);

// A live view's registration with the owner, held while it reads.
class CaptureLease {
public:
    // The view's own start handshake; true when the board took the mode up.
    // It may set the status its caller should poll with next.
    using Rearm = std::function<bool()>;

    CaptureLease() = default; // holds nothing
    explicit CaptureLease(Rearm rearm);
    CaptureLease(CaptureLease&& other) noexcept;
    CaptureLease& operator=(CaptureLease&& other) noexcept;
    CaptureLease(const CaptureLease&) = delete;
    CaptureLease& operator=(const CaptureLease&) = delete;
    ~CaptureLease();

    bool held() const { return held_; }
    // The capture running now is the view's own (after its start handshake,
    // its restart or a tab's new mode).
    void claim();
    // Something ended the capture the view claimed, or switched the board to
    // another mode.
    bool interrupted() const;

    enum class Check { Intact, Rearmed, Failed };
    // The top of a pass: re-arms with the view's handshake when interrupted.
    // Failed: the board did not take the mode up again; the view stops.
    Check check();
    int rearms() const { return rearms_; }

    // Ends the registration; the view stopped.
    void release();

private:
    bool held_ = false;
    Rearm rearm_;
    bool claimedCapturing_ = false;
    int32_t claimedMode_ = -1;
    uint64_t claimedEnds_ = 0;
    int rearms_ = 0;
};

} // namespace cv
