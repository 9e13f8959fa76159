// The Intel HEX reader on any text a firmware file may hold.
#include "link/IntelHex.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const cv::HexResult r = cv::parseIntelHex(text);
    // Either an image or a reason, never neither.
    if (!r.image && r.error.isEmpty())
        std::abort();
    return 0;
}
