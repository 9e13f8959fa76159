// The register file's line reader: any line must read as a 32-bit value or
// be refused, and any value the reader takes must come back unchanged from
// the line the writer makes of it.
#include "link/RegisterFile.h"

#include <cstdlib>

namespace {
void roundTrip(int address, int32_t value)
{
    int32_t back = 0;
    if (!cv::registerFileLineValue(cv::registerFileLine(address, value), back) || back != value)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    int32_t value = 0;
    if (!cv::registerFileLineValue(line, value))
        return 0;
    const int address = cv::registerFileAddress(static_cast<int>(size % cv::kRegisterFileLines));
    // Every register value survives; so does any value the seven characters
    // of the value field can hold.
    roundTrip(address, value & 0xFFFF);
    if (value >= -99999 && value <= 999999)
        roundTrip(address, value);
    return 0;
}
