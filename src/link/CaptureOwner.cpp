#include "link/CaptureOwner.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"

#include <algorithm>
#include <utility>

namespace cv {

CaptureOwner& captureOwner()
{
    static CaptureOwner owner;
    return owner;
}

void CaptureOwner::modeWritten(int32_t word)
{
    capturing_ = true;
    mode_ = word;
}

void CaptureOwner::captureEnded()
{
    capturing_ = false;
    ++ends_;
}

void CaptureOwner::reset()
{
    capturing_ = false;
    mode_ = -1;
    ++ends_;
}

void CaptureOwner::enroll(CaptureLease* lease)
{
    leases_.push_back(lease);
}

void CaptureOwner::leave(CaptureLease* lease)
{
    leases_.erase(std::remove(leases_.begin(), leases_.end(), lease), leases_.end());
}

CaptureLease::CaptureLease(Rearm rearm) : held_(true), rearm_(std::move(rearm))
{
    captureOwner().enroll(this);
    claim();
}

CaptureLease::CaptureLease(CaptureLease&& other) noexcept
{
    *this = std::move(other);
}

CaptureLease& CaptureLease::operator=(CaptureLease&& other) noexcept
{
    if (this == &other)
        return *this;
    release();
    if (other.held_) {
        captureOwner().leave(&other);
        captureOwner().enroll(this);
    }
    held_ = std::exchange(other.held_, false);
    rearm_ = std::move(other.rearm_);
    claimedCapturing_ = other.claimedCapturing_;
    claimedMode_ = other.claimedMode_;
    claimedEnds_ = other.claimedEnds_;
    rearms_ = other.rearms_;
    return *this;
}

CaptureLease::~CaptureLease()
{
    release();
}

void CaptureLease::release()
{
    if (held_)
        captureOwner().leave(this);
    held_ = false;
}

void CaptureLease::claim()
{
    const CaptureOwner& o = captureOwner();
    claimedCapturing_ = o.capturing();
    claimedMode_ = o.mode();
    claimedEnds_ = o.ends();
}

bool CaptureLease::interrupted() const
{
    if (!held_)
        return false;
    const CaptureOwner& o = captureOwner();
    // Another writer of the same mode leaves the capture as the view wants it.
    return !o.capturing() || !claimedCapturing_ || o.mode() != claimedMode_ ||
           o.ends() != claimedEnds_;
}

CaptureLease::Check CaptureLease::check()
{
    if (!interrupted())
        return Check::Intact;
    ++rearms_;
    const bool ok = rearm_ && rearm_();
    claim();
    return ok && !interrupted() ? Check::Rearmed : Check::Failed;
}

QString rearmFailedText(int32_t word)
{
    return QStringLiteral("Reading stopped: the capture was ended elsewhere and the board did "
                          "not take up mode 0x") +
           hexText(word) + QStringLiteral(" again.");
}

QString rearmedText(int rearms)
{
    return rearms == 1
               ? QStringLiteral("Capture ended elsewhere and resumed once.")
               : QStringLiteral("Capture ended elsewhere and resumed %1 times.").arg(rearms);
}

ModeHandshake handshakeCaptureMode(int32_t word, int timeoutMs)
{
    ModeHandshake h;
    const int64_t start = services().nowMs();
    for (;;) {
        WriteRegister(reg::board::BoardStageSelect, word, TargetBoard);
        services().sleepMs(50);
        int32_t back[1] = {0};
        ReadRegisters(reg::board::BoardStageSelect, 1, TargetBoard, 0, h.status, back);
        if (back[0] == word) {
            h.held = true;
            return h;
        }
        if (services().nowMs() - start >= timeoutMs)
            return h;
    }
}

} // namespace cv
