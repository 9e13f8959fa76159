#include "support/SimRig.h"

#include "link/Startup.h"
#include "link/UsbUtils.h"

#include <QFile>

namespace cv::test {

QByteArray standInFirmware()
{
    return QByteArrayLiteral(":030000000200807B\r\n:0200800080FE00\r\n:00000001FF\r\n");
}

SimRig::SimRig(sim::SimConfig config, bool doConnect)
{
    board = std::make_unique<sim::SimBoard>(services.clock(), config);
    tracer = std::make_unique<TracingUsbAccess>(
        *board, [this](const VendorRecord& r) { records.push_back(r); },
        [this] { return services.nowUs(); });
    QFile f(appFolder.filePath(kFirmwareFileName));
    f.open(QIODevice::WriteOnly);
    f.write(standInFirmware());
    f.close();
    if (!doConnect)
        return;
    // Downloads the stand-in firmware and attaches the transport.
    int32_t count = 0;
    uint8_t list[128] = {};
    int32_t handle = 0;
    board->Search_For_Boards(BoardVendorId, BoardProductId, count, list);
    board->Connect(BoardVendorId, BoardProductId, list[0], handle);
    const QByteArray path = appFolder.filePath(kFirmwareFileName).toLocal8Bit();
    board->Download_Firmware(handle, path.constData());
    attachLink(tracer.get(), handle);
    records.clear();
}

SimRig::~SimRig()
{
    attachLink(nullptr, 0);
}

std::vector<RegisterOp> SimRig::registerOps() const
{
    std::vector<RegisterOp> ops;
    for (const auto& r : records)
        if (auto op = decodeRegisterOp(r))
            ops.push_back(*op);
    return ops;
}

std::vector<RegisterOp> SimRig::writes() const
{
    std::vector<RegisterOp> ops;
    for (const auto& op : registerOps())
        if (op.write)
            ops.push_back(op);
    return ops;
}

std::vector<int> SimRig::writesTo(int address, int target) const
{
    std::vector<int> v;
    for (const auto& op : writes())
        if (op.target == target && op.address == address)
            v.push_back(op.value);
    return v;
}

std::vector<std::pair<int, int>> SimRig::reads() const
{
    std::vector<std::pair<int, int>> v;
    for (const auto& op : registerOps())
        if (!op.write)
            v.emplace_back(op.address, op.count);
    return v;
}

} // namespace cv::test
