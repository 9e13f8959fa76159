#pragma once
// A simulated board on the fake services' virtual clock, brought up the way
// start-up does, with every vendor request recorded.

#include "link/TracingUsbAccess.h"
#include "link/VendorRequest.h"
#include "sim/SimBoard.h"
#include "support/FakeServices.h"

#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace cv::test {

class SimRig {
public:
    explicit SimRig(sim::SimConfig config = {}, bool connect = true);
    ~SimRig();

    FakeServices services;
    std::unique_ptr<sim::SimBoard> board;
    std::unique_ptr<TracingUsbAccess> tracer;
    std::vector<VendorRecord> records;
    QTemporaryDir appFolder; // holds the stand-in firmware file

    UsbAccess& access() { return *tracer; }
    // Register reads and writes since the last clear.
    std::vector<RegisterOp> registerOps() const;
    std::vector<RegisterOp> writes() const;
    void clearRecords() { records.clear(); }
    // Values written to one register, and (address, count) of each read,
    // since the last clear.
    std::vector<int> writesTo(int address, int target = TargetChip) const;
    std::vector<std::pair<int, int>> reads() const;
};

// A board without a finger on it.
inline sim::SimConfig noFinger(int id = 58)
{
    sim::SimConfig c;
    c.boardId = id;
    c.scenario = QStringLiteral("none");
    return c;
}

// A small valid Intel HEX image.
QByteArray standInFirmware();

} // namespace cv::test
