#pragma once
// The configuration as C header text for the product's firmware: the
// power-up interrupt mask and a ConfigCV5320 function that writes every
// stage's eight configuration registers and the first bank's control
// registers. Values are read from the chip at the moment of export.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace cv {

// Bit s set for every single-ended stage s (inputs on one converter side
// only). All-bias, differential and floating stages leave their bit clear.
struct StageMasks {
    int32_t PowerUp = 0;
    int32_t Floating = 0;
};
// From the two connection registers of every stage.
StageMasks stageMasks(const std::array<std::array<int32_t, 2>, 12>& connections);
// Reads the connection registers of all stages and classifies them.
StageMasks readStageMasks();

// The registers the header is made of.
struct ConfigSnapshot {
    std::array<std::array<int32_t, 8>, 12> Stages{}; // 0x80 + 8s .. 0x87 + 8s
    std::array<int32_t, 8> Bank1{};                  // 0x000 .. 0x007
    int32_t PowerUpMask = 0;
};

// Pieces of the text, in file order, one entry per line without its end.
QStringList headerIntroLines(
    int32_t powerUpMask); // through "    WORD xdata StageBuffer[8];" and the empty line
QStringList stageBlockLines(int stage, const std::array<int32_t, 8>& regs);
QStringList powerControlLines(int32_t pwrControl);
QStringList bank1BlockLines(const std::array<int32_t, 6>& ambCompToCompleteInt); // 0x002..0x007
QStringList calibrationEnableLines(int32_t stageCalEn);
// The whole text for a snapshot, lines ended by CR LF.
QByteArray configHeaderText(const ConfigSnapshot& s);

inline const char* const kFloatingExportWarning =
    "You have some inputs Floating. This is not recommended. Please Connect all unused inputs to "
    "Bias";
inline const char* const kHeaderWriteError = "Error in writing to file";
inline const char* const kHeaderFileFilter = "CV5320 Config .h Files(*.h)|*.h|All Files (*.*)|*.*";

// Writes the header to `path`, reading each block from the chip as its
// lines go out; the file appears only when complete. False when it cannot
// be created or written, with `error` ("FILE: reason").
bool writeConfigHeader(const QString& path, int32_t powerUpMask, QString* error = nullptr);

// "Create Config File": classifies the stages (one warning when any has a
// floating input), asks for the file unless `path` is given, and writes it.
// A cancelled dialog or a file error shows the one error message. True when
// the header was written.
bool CreateConfigFile(const std::optional<QString>& path = std::nullopt);

} // namespace cv
