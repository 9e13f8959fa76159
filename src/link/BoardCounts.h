#pragma once
// The board's own tally of result blocks over one stream, for every live
// view and stream command: what it made and dropped since the view started.

#include "link/UsbAccess.h"

#include <QString>
#include <optional>

namespace cv {

// The board's own block tally over one stream: taken when constructed, and
// again by finish(). A board that keeps no tally is taken to have made just
// what the program fetched. Construct it once the board has answered a
// request of this start: a board catches its tally up then, and what it
// dropped while nobody read is not this stream's.
class BoardCountsSince {
public:
    BoardCountsSince();
    BoardBlockCounts finish(int64_t fetched) const;
    // Blocks the board dropped since, as far as it keeps a tally.
    int64_t overflowSoFar() const;

private:
    std::optional<BoardBlockCounts> before_;
};

// A loss the board's pacing causes, said in words: "board dropped N sets",
// or nothing when it dropped none.
QString droppedSetsText(int64_t overflow);

} // namespace cv
