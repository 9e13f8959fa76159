// The whole scenario file through its reader: any bytes give a script or one
// short message that names the file.
#include "FuzzFile.h"
#include "sim/SensorBoard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzfile::write(data, size);
    QString error;
    const auto s = cv::sim::Scenario::readFile(path, cv::sim::BoardLayout::forBoard(58), &error);
    if (!s && !error.startsWith(QStringLiteral("Scenario ") + path))
        std::abort();
    if (!s)
        fuzzfile::checkMessage(error, QStringLiteral("Scenario ") + path);
    return 0;
}
