#pragma once
// Bringing the board up and identifying it: shared by the main window and
// the command line. Every failure ends the program through the services.

#include "link/UsbAccess.h"

#include <QString>
#include <array>
#include <cstdint>

namespace cv {

inline const QString kFirmwareFileName = QStringLiteral("CV5320 Protocol FX2 - Version 4.hex");

struct StartupResult {
    QString FirmwareTitle;
    int32_t BoardHandle = 0;
};

// The EEPROM boot record for a row (0..2) of the record table.
std::array<int32_t, 8> eepromRecordRow(int row);
// Row chosen by the chip identifier: 0, 1, 2, or -1 (below 0x5320: no check).
int eepromRowForChipId(int32_t chipId);

// Firmware search, board search, connect, download, EEPROM check. Ends the
// program with the start-up message on any failure.
StartupResult runStartup(UsbAccess& access, const QString& appFolder);

struct Identity {
    int32_t BoardId = 0;
    int32_t ChipId = 0;
    int32_t FirmwareRevision = 0;
};

// The board taken, for the footer and `info`: "USB board at bus 1, port 4".
QString boardText(const QString& description, const UsbAccess& access);

// Reads board register 6; anything other than 1, 58 or 70 ends the program.
int32_t readBoardId();
// Texts of the main window's identity labels.
QString deviceIdText(int32_t chipId);
QString siliconRevisionText(int32_t chipId);
QString firmwareRevisionText(int32_t revision);

} // namespace cv
