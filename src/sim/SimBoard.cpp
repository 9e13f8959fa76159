#include "sim/SimBoard.h"

#include "link/IntelHex.h"
#include "link/LibUsbAccess.h"
#include "link/VendorRequest.h"

#include <QFile>
#include <algorithm>

namespace cv::sim {

SimBoard::SimBoard(const Clock& clock, SimConfig config)
    : clock_(clock), config_(std::move(config)), startUs_(clock.nowUs()),
      sensors_(BoardLayout::forBoard(config_.boardId)), chip_(clock, config_.seed),
      firmware_(chip_, clock, config_.boardId, config_.interfaceWord)
{
    eeprom_.fill(0xFF);
    // C0 boot record: vendor, product, device identifiers.
    const uint32_t pid = config_.eepromMatches ? BoardProductId : BoardProductId - 2;
    const uint8_t record[8] = {0xC0,
                               static_cast<uint8_t>(BoardVendorId & 0xFF),
                               static_cast<uint8_t>(BoardVendorId >> 8),
                               static_cast<uint8_t>(pid & 0xFF),
                               static_cast<uint8_t>(pid >> 8),
                               0,
                               0,
                               0};
    std::copy(std::begin(record), std::end(record), eeprom_.begin());
    chip_.setSensorSource([this](int64_t us, std::array<double, 13>& pF) {
        sensors_.capacitances((us - startUs_) / 1000, pF);
    });
    chip_.setInterferenceSource(
        [this](int64_t us, std::array<double, 13>& pF) { sensors_.addHum(us - startUs_, pF); });
    loadScenario(config_.scenario, &scenarioError_);
}

bool SimBoard::loadScenario(const QString& source, QString* error)
{
    const BoardLayout& layout = sensors_.board();
    if (source.isEmpty()) {
        sensors_.setScenario(Scenario::standard(layout));
        return true;
    }
    if (source == QLatin1String("none")) {
        sensors_.setScenario(Scenario{});
        return true;
    }
    auto s = Scenario::readFile(source, layout, error);
    if (!s)
        return false;
    sensors_.setScenario(std::move(*s));
    return true;
}

void SimBoard::followPrompt(const OperatorPrompt& prompt)
{
    const BoardLayout& layout = sensors_.board();
    if (prompt.kind == OperatorPrompt::Done) {
        sensors_.setScenario(Scenario::standard(layout));
        return;
    }
    QString text;
    if (prompt.kind == OperatorPrompt::TouchInTurn && !prompt.stages.empty()) {
        const int64_t now = scenarioMs();
        const int64_t share = prompt.durationMs / int64_t(prompt.stages.size());
        int64_t at = now;
        for (int stage : prompt.stages) {
            if (stage >= 0 && stage < int(layout.electrodes.size())) {
                const QString& name = layout.electrodes[size_t(stage)].name;
                text += QStringLiteral("%1 press %3\n%2 release %3\n")
                            .arg(at + share / 5)
                            .arg(at + share * 4 / 5)
                            .arg(name);
            }
            at += share;
        }
    }
    sensors_.setScenario(*Scenario::parse(text, layout, nullptr));
}

SimBoard::~SimBoard() = default;

int16_t SimBoard::Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                                    uint8_t* boardList128)
{
    if (!config_.present || vendorId != BoardVendorId || productId != BoardProductId) {
        boardCount = 0;
        return 1;
    }
    boardCount = 1;
    std::fill_n(boardList128, 128, 0);
    boardList128[0] = 1;
    return 0;
}

int16_t SimBoard::Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                          int32_t& handle)
{
    if (!config_.present || vendorId != BoardVendorId || productId != BoardProductId ||
        boardNumber != 1)
        return 1;
    connected_ = true;
    handle = kHandle;
    return 0;
}

int16_t SimBoard::Download_Firmware(int32_t handle, const char* path)
{
    if (!connected_ || handle != kHandle || !path)
        return -1;
    // The same refusals as the real board's path, with the same reason line.
    const QString file = QString::fromLocal8Bit(path);
    detail_ = fx2::imageProblem(file, readIntelHexFile(file));
    if (!detail_.isEmpty())
        return -2;
    startFirmware();
    return 0;
}

void SimBoard::startFirmware()
{
    firmwareRunning_ = true;
    firmware_.boot();
}

int16_t SimBoard::Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                                 uint8_t direction, int32_t length, uint8_t* buffer)
{
    ++requests_;
    if (failNumber_ == requests_ || (failFromUs_ >= 0 && clock_.nowUs() >= failFromUs_))
        return 1;
    if (!firmwareRunning_ || handle != kHandle || length != kTransferLength || !buffer)
        return 2;

    switch (static_cast<VendorRequest>(request)) {
    case VendorRequest::Register:
        if (direction == 1) {
            const int address = static_cast<int>(value & 0x3FF);
            const int count = static_cast<int>((value >> 10) & 0x1F);
            const int target = static_cast<int>((value >> 15) & 1);
            if (kDataOffset + 2 * count > kTransferLength)
                return 3;
            uint16_t words[32] = {};
            const uint8_t status = firmware_.readRegisters(target, address, count, index, words);
            buffer[0] = static_cast<uint8_t>(address & 0xFF);
            buffer[1] = static_cast<uint8_t>(((address >> 8) & 3) | (kDataOffset << 2));
            buffer[2] = status;
            buffer[3] = 0;
            for (int i = 0; i < count; ++i) {
                buffer[kDataOffset + 2 * i] = static_cast<uint8_t>(words[i] >> 8);
                buffer[kDataOffset + 2 * i + 1] = static_cast<uint8_t>(words[i] & 0xFF);
            }
            return 0;
        } else {
            if (value != 0 || index != 64)
                return 3;
            const int address = (buffer[60] << 4) | (buffer[61] & 0x0F);
            const int target = (buffer[61] >> 7) & 1;
            firmware_.writeRegister(target, address & 0x3FF,
                                    static_cast<uint16_t>((buffer[62] << 8) | buffer[63]));
            return 0;
        }
    case VendorRequest::EepromRead:
        if (direction != 1 || index > kTransferLength || value + index > eeprom_.size())
            return 3;
        std::copy_n(eeprom_.begin() + value, index, buffer);
        return 0;
    case VendorRequest::EepromWrite:
        if (direction != 0 || index > kTransferLength || value + index > eeprom_.size())
            return 3;
        std::copy_n(buffer, index, eeprom_.begin() + value);
        return 0;
    }
    return 4;
}

} // namespace cv::sim
