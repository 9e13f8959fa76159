#pragma once

namespace cv {

// Ends the process at once (no destructors, no exit handlers). A sanitizer
// build first runs its leak check, which the exit handlers would have done.
[[noreturn]] void exitNow(int code);

} // namespace cv
