#include "link/RegisterFile.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "platform/TextFileRead.h"

#include <QRegularExpression>

namespace cv {

namespace {
// Label and closing text of a bank 2 line by k, as the file format has them.
const char* const kBank2Label[8] = {
    " - Connection Mem 0 0x(", " - Connection Mem 1 0x(", " - OffSet Control 0x(",
    " - Sens Control   0x(",   " - Neg Offset Val 0x(",   " - Pos Offset Val 0x(",
    " - Pos Maxim  Val 0x(",   " - Neg Maxim  Val 0x(",
};
const char* const kBank2Closing[8] = {
    ") = ", ") = ", ") = ", ")  = ", ")  = ", ")  = ", ")  = ", ")  = "};
const char* const kBank1Label[8] = {
    " - Power Control (0x00) = ",      " - Ambient Control 0 (0x01) = ",
    " - Ambient Control 1 (0x02) = ",  " - Ambient Control 2 (0x03) = ",
    " - Ambient Control 3 (0x04) = ",  " - Interrupt Enable 0 (0x05) = ",
    " - Interrupt Enable 1 (0x06) = ", " - Interrupt Enable 2 (0x07) = ",
};

// A register value as a numeric print item writes it: sign place, digits, blank.
QString valueField(int32_t value)
{
    return decText(value) + QLatin1Char(' ');
}
} // namespace

int16_t consoleBank1Address(int i)
{
    return i < 11 ? static_cast<int16_t>(i) : reg::PART_ID;
}

ConsoleRegisters readConsoleRegisters()
{
    ConsoleRegisters r;
    int16_t status = 0;
    ReadRegisters(reg::PWR_CONTROL, 11, TargetChip, 0, status, r.bank1.data());
    ReadRegisters(reg::PART_ID, 1, TargetChip, 0, status, &r.bank1[11]);
    for (int c = 0; c < 4; ++c) {
        const int base = reg::BANK2 + 25 * c;
        int32_t chunk[25] = {};
        ReadRegisters(static_cast<int16_t>(base), 18, TargetChip, 0, status, chunk);
        services().sleepMs(40);
        ReadRegisters(static_cast<int16_t>(base + 18), 7, TargetChip, 0, status, chunk + 18);
        // The last chunk runs past bank 2 into bank 3; those are not shown.
        for (int i = 0; i < 25; ++i) {
            const int n = base + i - reg::BANK2;
            if (n < kConsoleBank2Count)
                r.bank2[static_cast<size_t>(n)] = chunk[i];
        }
    }
    return r;
}

QString consoleBank2Text(int n, int32_t value)
{
    return (n & 7) >= 4 ? decText(value) : hexText(value);
}

QString registerFileLine(int address, int32_t value)
{
    if (address >= reg::BANK2) {
        const int k = address & 7;
        return valueField(value) + QLatin1String(kBank2Label[k]) + hexText(address) +
               QLatin1String(kBank2Closing[k]) + hexText(value);
    }
    return valueField(value) + QLatin1String(kBank1Label[address & 7]) + hexText(value);
}

bool registerFileLineValue(const QString& line, int32_t& value)
{
    const QString head = line.left(7);
    // A decimal number: "&H" and other prefixes a VB reader would take are not.
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?\\s*[0-9.]"));
    if (!number.match(head).hasMatch())
        return false;
    // "." or "-." hold no digit, and a value such as 1e300 fits no register:
    // neither is a usable number.
    bool found = false;
    const double v = textValue(head, &found);
    return found && roundToInt32(v, value);
}

int16_t registerFileAddress(int line)
{
    return line < kConsoleBank2Count ? static_cast<int16_t>(reg::BANK2 + line)
                                     : static_cast<int16_t>(line - kConsoleBank2Count);
}

bool saveRegisterFile(const QString& path, QString* error)
{
    TrackedFile file(path);
    // Written whole: a register file cut short would load only its first
    // registers, so one that fails half way (or a run that ends) leaves none.
    bool ok = file.open(TrackedFile::Mode::Whole);
    auto put = [&](int address, int32_t value) {
        ok = ok && file.write(registerFileLine(address, value).toLatin1() + "\r\n");
    };
    int16_t status = 0;
    int32_t values[18] = {};
    for (int c = 0; c < 4 && ok; ++c) {
        const int base = reg::BANK2 + 24 * c;
        ReadRegisters(static_cast<int16_t>(base), 18, TargetChip, 0, status, values);
        for (int i = 0; i < 18; ++i)
            put(base + i, values[i]);
        ReadRegisters(static_cast<int16_t>(base + 18), 6, TargetChip, 0, status, values);
        for (int i = 0; i < 6; ++i)
            put(base + 18 + i, values[i]);
    }
    if (ok) {
        ReadRegisters(reg::PWR_CONTROL, 8, TargetChip, 0, status, values);
        for (int i = 0; i < 8; ++i)
            put(i, values[i]);
    }
    ok = file.close() && ok;
    if (!ok && error)
        *error = file.errorText();
    return ok;
}

RegisterFileRead readRegisterFile(const QString& path)
{
    RegisterFileRead r;
    const TextFileRead file = readTextFile(path, kRegisterFileLimits);
    if (!file.bytes) {
        r.error = file.error;
        return r;
    }
    const QList<QByteArray> lines = file.bytes->split('\n');
    for (int line = 0; line < kRegisterFileLines; ++line) {
        // The text ends with its last line end, or the lines run out early.
        if (line >= lines.size() || (line == lines.size() - 1 && lines[line].isEmpty())) {
            r.error = QStringLiteral("%1 line %2: missing (a register file has %3 lines)")
                          .arg(path)
                          .arg(line + 1)
                          .arg(kRegisterFileLines);
            return r;
        }
        QByteArray bytes = lines[line];
        while (bytes.endsWith('\r'))
            bytes.chop(1);
        int32_t value = 0;
        if (!registerFileLineValue(QString::fromLatin1(bytes), value)) {
            r.error = QStringLiteral("%1 line %2: no register value in \"%3\"")
                          .arg(path)
                          .arg(line + 1)
                          .arg(shortQuote(QString::fromLatin1(bytes)));
            return r;
        }
        r.values.push_back(value);
    }
    return r;
}

bool loadRegisterFile(const QString& path, QString* error)
{
    const RegisterFileRead file = readRegisterFile(path);
    for (size_t line = 0; line < file.values.size(); ++line)
        WriteRegister(registerFileAddress(int(line)), file.values[line], TargetChip);
    if (!file.error.isEmpty()) {
        if (error)
            *error = file.error;
        return false;
    }
    services().sleepMs(50);
    return true;
}

} // namespace cv
