#pragma once
// The simulated evaluation board: answers the USB access library's calls
// byte for byte as the real board with its protocol firmware would.

#include "link/UsbAccess.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/ChipModel.h"
#include "sim/FirmwareModel.h"
#include "sim/SensorBoard.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace cv::sim {

struct SimConfig {
    int boardId = 58;           // sensor board: 1, 58 or 70 (others for tests)
    bool eepromMatches = true;  // the EEPROM boot record names our product
    uint16_t interfaceWord = 0; // 0 SPI, 0xFFFF none, else I2C with address pins in bits 1:0
    uint64_t seed = 1;
    bool present = true; // false: the search finds no board
    QString scenario;    // empty: default scenario; "none": no finger; else a file
};

class SimBoard final : public UsbAccess {
public:
    SimBoard(const Clock& clock, SimConfig config = {});
    ~SimBoard() override;

    int16_t Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                              uint8_t* boardList128) override;
    int16_t Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                    int32_t& handle) override;
    int16_t Download_Firmware(int32_t handle, const char* path) override;
    int16_t Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t length, uint8_t* buffer) override;
    std::optional<BoardBlockCounts> blockCounts() const override
    {
        return BoardBlockCounts{firmware_.blocksProduced(), firmware_.blocksFetched(),
                                firmware_.blocksOverflowed()};
    }

    ChipModel& chip() { return chip_; }
    SensorModel& sensors() { return sensors_; }
    // Replaces the finger script: "" the default one, "none" no finger, else
    // a file. On a bad file keeps the old one and sets `error`
    // ("Scenario FILE line N: ...").
    bool loadScenario(const QString& source, QString* error);
    // The built-in finger as a person following a guided measurement: no
    // finger while told hands off, each listed stage's electrode pressed in
    // turn (the middle 60 % of its share of the time) while told to touch,
    // and the standard script again when told it is done.
    void followPrompt(const OperatorPrompt& prompt);
    QString failureDetail() const override { return detail_; }
    // Set when the scenario of the configuration could not be loaded.
    QString scenarioError() const { return scenarioError_; }
    // Simulated milliseconds since the board was built (scenario time).
    int64_t scenarioMs() const { return (clock_.nowUs() - startUs_) / 1000; }
    FirmwareModel& firmware() { return firmware_; }
    const SimConfig& config() const { return config_; }
    std::array<uint8_t, 16384>& eeprom() { return eeprom_; }

    // Fault injection: fail the n-th vendor request (1-based) ...
    void failRequestNumber(int64_t n) { failNumber_ = n; }
    // ... or every request from this clock time on.
    void failFromUs(int64_t us) { failFromUs_ = us; }
    int64_t requestCount() const { return requests_; }
    bool firmwareRunning() const { return firmwareRunning_; }
    // The controller's CPU starts the protocol firmware, or is held in reset
    // (the emulated FX2 drives these from its CPUCS register).
    void startFirmware();
    void stopFirmware() { firmwareRunning_ = false; }

    static constexpr int32_t kHandle = 0x5320;
    static constexpr int kDataOffset = 4;

private:
    const Clock& clock_;
    SimConfig config_;
    int64_t startUs_;
    SensorModel sensors_;
    ChipModel chip_;
    FirmwareModel firmware_;
    std::array<uint8_t, 16384> eeprom_{};
    bool connected_ = false;
    bool firmwareRunning_ = false;
    int64_t requests_ = 0;
    int64_t failNumber_ = -1;
    int64_t failFromUs_ = -1;
    QString scenarioError_;
    QString detail_; // why the last firmware download was refused
};

} // namespace cv::sim
