#pragma once
// The register console's reads and its register files: bank 2 and the first
// eight bank 1 registers as text, one register per line, ended by CR LF.

#include "platform/TextFileRead.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace cv {

// What the register console shows: 0x000..0x00A and 0x017, and all of bank 2.
struct ConsoleRegisters {
    std::array<int32_t, 12> bank1{}; // element 11 is 0x017
    std::array<int32_t, 96> bank2{}; // element n is 0x080 + n
};
constexpr int kConsoleBank1Count = 12;
constexpr int kConsoleBank2Count = 96;
int16_t consoleBank1Address(int i); // 0..10 -> 0x000..0x00A, 11 -> 0x017

// Reads them the way the console refreshes: 11 registers from 0x000, then
// 0x017, then four chunks of 25 bank 2 registers as 18 + 7 with a 40 ms pause
// between the two reads of a chunk.
ConsoleRegisters readConsoleRegisters();

// How the console shows a bank 2 value: offsets and clamps (k = 4..7) in
// decimal, the others in hexadecimal.
QString consoleBank2Text(int n, int32_t value);

// One line of a register file, without its CR LF.
QString registerFileLine(int address, int32_t value);
// The value a line carries: its first seven characters read as a decimal
// number, blanks ignored, rounded halves to even. False when they hold no
// digit or a value beyond 32 bits.
bool registerFileLineValue(const QString& line, int32_t& value);

constexpr int kRegisterFileLines = 104;
// Address written by line i (0-based): bank 2 first, then 0x000..0x007.
int16_t registerFileAddress(int line);

// Reads the registers from the chip and writes them to `path`, which
// appears only when complete. False when the file cannot be created or
// written; `error` then says why ("FILE: reason").
bool saveRegisterFile(const QString& path, QString* error = nullptr);
// The values of a register file's lines, in order, up to the first line
// that holds none; `error` (naming the file and line) is empty when all
// 104 were read.
struct RegisterFileRead {
    std::vector<int32_t> values;
    QString error;
};
RegisterFileRead readRegisterFile(const QString& path);
// Writes the registers a file holds, line by line, and pauses 50 ms at the
// end. False, with `error` naming the file and line, when the file cannot
// be read, is too large or runs out of lines or numbers early; the
// registers written before that stay written.
bool loadRegisterFile(const QString& path, QString* error = nullptr);
// A register file is 104 short lines; anything far beyond is not one.
constexpr TextFileLimits kRegisterFileLimits{1 << 20, 1024};

inline const QString kRegisterFileFilter =
    QStringLiteral("CV5310 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");
inline const QString kRegisterFileError = QStringLiteral("Error in writing to file");

} // namespace cv
