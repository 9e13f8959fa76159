#include "link/BoardCounts.h"

#include "link/UsbUtils.h"

#include <algorithm>

namespace cv {

namespace {
std::optional<BoardBlockCounts> boardCounts()
{
    UsbAccess* access = usbLink().access;
    return access ? access->blockCounts() : std::nullopt;
}
} // namespace

BoardCountsSince::BoardCountsSince() : before_(boardCounts()) {}

BoardBlockCounts BoardCountsSince::finish(int64_t fetched) const
{
    BoardBlockCounts c;
    c.fetched = fetched;
    c.produced = fetched;
    const auto after = boardCounts();
    if (before_ && after) {
        // Sets queued before the start's handshake were made before it too.
        c.produced = std::max(after->produced - before_->produced, fetched);
        c.overflow = after->overflow - before_->overflow;
    }
    return c;
}

int64_t BoardCountsSince::overflowSoFar() const
{
    const auto now = boardCounts();
    return before_ && now ? now->overflow - before_->overflow : 0;
}

QString droppedSetsText(int64_t overflow)
{
    return overflow > 0 ? QStringLiteral("board dropped %1 set%2")
                              .arg(overflow)
                              .arg(overflow == 1 ? "" : "s")
                        : QString();
}

} // namespace cv
