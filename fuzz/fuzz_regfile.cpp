// The whole register file through its reader: any bytes give the values of
// all 104 lines, or those before the first bad line and one short message
// that names the file and that line.
#include "FuzzFile.h"
#include "link/RegisterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzfile::write(data, size);
    const cv::RegisterFileRead r = cv::readRegisterFile(path);
    const bool complete = r.values.size() == size_t(cv::kRegisterFileLines);
    if (complete != r.error.isEmpty() || r.values.size() > size_t(cv::kRegisterFileLines))
        std::abort();
    if (!complete) {
        if (!r.error.startsWith(path))
            std::abort();
        fuzzfile::checkMessage(r.error, path);
    }
    return 0;
}
