#include "link/Startup.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "link/FileUtils.h"

#include <QDir>
#include <QFileInfo>

namespace cv {

namespace {
// The fixed text first; then, when the USB library knows, what went wrong.
[[noreturn]] void startupFailure(const UsbAccess* access = nullptr)
{
    QString text = QStringLiteral("ERROR: Can Not Download the Firmware onto Evaluation Board");
    if (access && !access->failureDetail().isEmpty())
        text += QLatin1Char('\n') + access->failureDetail();
    services().message(text, MsgIcon::Critical, kAppTitle);
    services().endProgram(1);
}

// The path as zero-terminated single-byte characters, at most 512 of them.
std::optional<QByteArray> FileNameToBytes(const QString& path)
{
    QByteArray bytes = path.toLocal8Bit();
    if (bytes.size() > 512)
        return std::nullopt;
    bytes.append('\0');
    return bytes;
}
} // namespace

std::array<int32_t, 8> eepromRecordRow(int row)
{
    const uint32_t pid = BoardProductId - 2 + static_cast<uint32_t>(row);
    return {0xC0,
            static_cast<int32_t>(BoardVendorId & 0xFF),
            static_cast<int32_t>((BoardVendorId >> 8) & 0xFF),
            static_cast<int32_t>(pid & 0xFF),
            static_cast<int32_t>((pid >> 8) & 0xFF),
            0,
            0,
            0};
}

int eepromRowForChipId(int32_t chipId)
{
    if (chipId == 0xC312)
        return 0;
    if (chipId == 0xC330)
        return 1;
    if (chipId >= 0x5320)
        return 2;
    return -1;
}

StartupResult runStartup(UsbAccess& access, const QString& appFolder)
{
    StartupResult result;
    const HexSearch found = findHexFiles(appFolder);

    int32_t boardCount = 0;
    uint8_t boardList[128] = {};
    if (access.Search_For_Boards(BoardVendorId, BoardProductId, boardCount, boardList) > 0)
        startupFailure(&access);
    if (access.Connect(BoardVendorId, BoardProductId, boardList[0], result.BoardHandle) > 0)
        startupFailure(&access);

    QString firmwarePath;
    if (found.count == 0) {
        startupFailure();
    } else if (found.count == 1) {
        result.FirmwareTitle = found.firstDirectName;
        firmwarePath = QDir::toNativeSeparators(appFolder + QLatin1Char('/') + kFirmwareFileName);
    } else {
        FileDialogRequest req;
        req.save = false;
        req.filter = QStringLiteral("Intel HEX Files(*.hex)|*.hex|All Files (*.*)|*.*");
        req.filterIndex = 1;
        req.initialDir = appFolder;
        req.hideReadOnly = true;
        const auto chosen = services().fileDialog(req);
        if (!chosen || chosen->isEmpty())
            startupFailure();
        firmwarePath = *chosen;
        result.FirmwareTitle = QFileInfo(*chosen).fileName();
    }

    const auto pathBytes = FileNameToBytes(firmwarePath);
    if (!pathBytes)
        startupFailure();
    if (access.Download_Firmware(result.BoardHandle, pathBytes->constData()) < 0)
        startupFailure(&access);
    attachLink(&access, result.BoardHandle);

    const int32_t chipId = ReadRegister(reg::PART_ID, TargetChip);
    const int row = eepromRowForChipId(chipId);
    if (row < 0)
        return result;
    const auto record = eepromRecordRow(row);
    int32_t stored[2] = {0, 0};
    ReadBoardEeprom(3, 2, stored);
    if (stored[0] == record[3] && stored[1] == record[4])
        return result;
    WriteBoardEeprom(0, 8, record.data());
    services().message(
        QStringLiteral("Device ID EEPROM has been initialised. Please disconnect and "
                       "reconnect the board, and re-launch application."),
        MsgIcon::Exclamation, kAppTitle);
    services().endProgram(1);
}

QString boardText(const QString& description, const UsbAccess& access)
{
    const QString where = access.boardLocation();
    return where.isEmpty() ? description : description + QStringLiteral(" at ") + where;
}

int32_t readBoardId()
{
    const int32_t id = ReadRegister(reg::board::BoardId, TargetBoard);
    if (id != 1 && id != 58 && id != 70) {
        services().message(QStringLiteral("Error: ") + decText(id) +
                               QStringLiteral(" Cannot Load Correct Version of Firmware"),
                           MsgIcon::Critical, kAppTitle);
        services().endProgram(1);
    }
    return id;
}

QString deviceIdText(int32_t chipId)
{
    return QStringLiteral("Device ID: ") + hexText((chipId >> 4) & 0xFFF);
}

QString siliconRevisionText(int32_t chipId)
{
    return QStringLiteral("Silicon Revision: ") + hexText(chipId & 0xF);
}

QString firmwareRevisionText(int32_t revision)
{
    return QStringLiteral("Firmware Revision: ") + QString::number((revision >> 4) & 0xF) +
           QLatin1Char('.') + QString::number(revision & 0xF);
}

} // namespace cv
