#pragma once
// What the block diagram does to the chip and the board beside opening
// windows: the standard input configuration, the board's reset request, the
// host interface it reports, and the capture-mode handshake.

#include <QString>
#include <array>
#include <cstdint>

namespace cv {

// Ties every input of every stage to bias with standard sensitivity, offsets
// and clamps (96 writes, 10 ms apart), then forces a calibration.
void InitialiseCinInputs();
// The value CmdInitReg writes to bank 2 register k of every stage.
int32_t standardStageValue(int k);

// Sets BoardControlWord bit 0; the firmware then resets the chip's registers.
void RequestEasySetup();

// Forces a calibration: AMB_COMP_CTRL0 bit 14.
void ForceCalibration();

enum class HostInterface { None, Spi, I2c };
HostInterface hostInterfaceOf(int32_t interfaceWord);
// Texts of the interface pin labels (CinLbl 17..22) for the interface; the
// design-time texts for None.
std::array<QString, 6> interfacePinLabels(HostInterface kind);
// "HI" when the bit is set, else "LO".
QString addressPinText(int32_t interfaceWord, int bit);
// Pin 8 is the excitation source output or the shield driver (PWR_CONTROL bit 13).
QString pin8Label(int32_t pwrControl);

// Writes a capture mode word to BoardStageSelect and reads it back every
// 50 ms until it holds. Gives up after 2 s of the services clock with a
// message and returns false: a board that never switches must not hang the
// program.
bool AwaitStageSelect(int32_t word, int timeoutMs = 2000);
// The same, keeping the status of the last read-back for the first pass.
bool AwaitStageSelect(int32_t word, int16_t& status, int timeoutMs = 2000);
QString stageSelectTimeoutMessage(int32_t word);

} // namespace cv
