#include "config/ConfigHeader.h"

#include "config/OffsetCalibration.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"

namespace cv {

StageMasks stageMasks(const std::array<std::array<int32_t, 2>, 12>& connections)
{
    StageMasks m;
    for (int s = 0; s < reg::kStages; ++s) {
        const auto& w = connections[static_cast<size_t>(s)];
        const InputClassification c = classifyInputs(w[0], w[1]);
        if (c.Floating)
            m.Floating |= 1 << s;
        if (isSingleEnded(c))
            m.PowerUp |= 1 << s;
    }
    return m;
}

StageMasks readStageMasks()
{
    std::array<std::array<int32_t, 2>, 12> connections{};
    int16_t status = 0;
    for (int s = 0; s < reg::kStages; ++s)
        ReadRegisters(reg::bank2(s, reg::CIN0_6_SETUP), 2, TargetChip, 0, status,
                      connections[static_cast<size_t>(s)].data());
    return stageMasks(connections);
}

namespace {
QString hex0x(int32_t v)
{
    return QStringLiteral("0x") + hexText(v);
}
} // namespace

QStringList headerIntroLines(int32_t powerUpMask)
{
    return {
        QStringLiteral("//--------------------------------------"),
        QStringLiteral("//General Definition of the Sensors"),
        QStringLiteral("//--------------------------------------"),
        QString(),
        QString(),
        QString(),
        QStringLiteral(
            "//-------POWER_UP_INTERRUPT-------------------------------------------------//"),
        QStringLiteral(
            "//This value is defined based on the number of stages you have configured."),
        QStringLiteral("//e.g. If you configured stages 0 - 5 inc then this value must be 0x003F"),
        QStringLiteral(
            "//For each Single-Ended or Activation stage we must set one bit on this value"),
        QStringLiteral("//If we configure more than one input on one stage Differentially, "),
        QStringLiteral("//these inputs must also be configured on a different stage "),
        QStringLiteral("//in single ended mode for calibration purposes"),
        QStringLiteral("//Any low limit interrupt on these bits will force calibration"),
        QStringLiteral(
            "//*****************************************************************************//"),
        QStringLiteral(
            "//********** Please Double Check this value based on your configuration********//"),
        QStringLiteral(
            "//*****************************************************************************//"),
        QStringLiteral(
            "//-----------------------------------------------------------------------------//"),
        QStringLiteral("#define POWER_UP_INTERRUPT                          ") + hex0x(powerUpMask),
        QString(),
        QString(),
        QString(),
        QStringLiteral("//---------------------"),
        QStringLiteral("//Function declarations"),
        QStringLiteral("//---------------------"),
        QStringLiteral("void ConfigCV5320(void);"),
        QString(),
        QString(),
        QStringLiteral("//---------------------"),
        QStringLiteral("//Function definitions "),
        QStringLiteral("//---------------------"),
        QStringLiteral("void ConfigCV5320(void)"),
        QStringLiteral("{"),
        QStringLiteral("    WORD xdata StageBuffer[8];"),
        QString(),
    };
}

QStringList stageBlockLines(int stage, const std::array<int32_t, 8>& r)
{
    QStringList lines = {
        QStringLiteral("    //=========="),
        QStringLiteral("    //= Stage ") + QString::number(stage) + QStringLiteral(" "),
        QStringLiteral("    //=========="),
    };
    for (int k = 0; k < 8; ++k) {
        const QString value =
            k < 4 ? hex0x(r[static_cast<size_t>(k)]) : decText(r[static_cast<size_t>(k)]);
        lines << QStringLiteral("    StageBuffer[%1]=").arg(k) + value + QStringLiteral(";");
    }
    // Stages 7 to 11 have a wider gap before "connection"; product sources
    // made from earlier exports expect the text exactly so.
    const QString gap = stage >= 7 ? QStringLiteral("    ") : QStringLiteral(" ");
    lines << QString()
          << QStringLiteral(
                 "    WriteToCV5320(STAGE%1_CONNECTION, 8, StageBuffer, 0);    //Stage %1")
                     .arg(stage) +
                 gap + QStringLiteral("connection registers - Start address in RAM ") +
                 hex0x(reg::bank2(stage, 0))
          << QString();
    return lines;
}

QStringList powerControlLines(int32_t pwrControl)
{
    return {
        QStringLiteral(
            "    //--------------------------------------------------------------------------//"),
        QStringLiteral(
            "    //-------------------------Bank 1 Registers---------------------------------//"),
        QStringLiteral(
            "    //--------------------------------------------------------------------------//"),
        QStringLiteral("    //Initialisation of the first register bank but not the STAGE_CAL_EN"),
        QStringLiteral("    CV5320Registers[PWR_CONTROL]=") + hex0x(pwrControl) +
            QStringLiteral(";"),
        QStringLiteral("    WriteToCV5320(PWR_CONTROL, 1, CV5320Registers, PWR_CONTROL);"),
        QString(),
        QString(),
    };
}

QStringList bank1BlockLines(const std::array<int32_t, 6>& r)
{
    static const char* const names[6] = {"AMB_COMP_CTRL0",    "AMB_COMP_CTRL1",
                                         "AMB_COMP_CTRL2",    "STAGE_LOW_INT_EN",
                                         "STAGE_HIGH_INT_EN", "STAGE_COMPLETE_INT_EN"};
    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines << QStringLiteral("    CV5320Registers[") + QString::fromLatin1(names[i]) +
                     QStringLiteral("]=") + hex0x(r[static_cast<size_t>(i)]) + QStringLiteral(";");
    lines << QStringLiteral(
                 "    WriteToCV5320(AMB_COMP_CTRL0, 6, CV5320Registers, AMB_COMP_CTRL0);")
          << QString();
    return lines;
}

QStringList calibrationEnableLines(int32_t stageCalEn)
{
    return {
        QStringLiteral("    //Enable data path for all sequences"),
        QStringLiteral("    CV5320Registers[STAGE_CAL_EN]=") + hex0x(stageCalEn) +
            QStringLiteral(";"),
        QStringLiteral("    WriteToCV5320(STAGE_CAL_EN, 1, CV5320Registers, STAGE_CAL_EN);"),
        QStringLiteral("}"),
    };
}

namespace {
QByteArray crlfText(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}
} // namespace

QByteArray configHeaderText(const ConfigSnapshot& s)
{
    QStringList lines = headerIntroLines(s.PowerUpMask);
    for (int st = 0; st < reg::kStages; ++st)
        lines << stageBlockLines(st, s.Stages[static_cast<size_t>(st)]);
    lines << powerControlLines(s.Bank1[0]);
    lines << bank1BlockLines(
        {s.Bank1[2], s.Bank1[3], s.Bank1[4], s.Bank1[5], s.Bank1[6], s.Bank1[7]});
    lines << calibrationEnableLines(s.Bank1[1]);
    return crlfText(lines);
}

namespace {
// Opens `file`, to be written whole, and writes the header into it.
bool writeConfigHeaderTo(TrackedFile& file, int32_t powerUpMask)
{
    if (!file.open(TrackedFile::Mode::Whole))
        return false;
    // Each block goes out as soon as its registers arrive.
    auto put = [&file](const QStringList& lines) { return file.write(crlfText(lines)); };
    if (!put(headerIntroLines(powerUpMask)))
        return false;
    int16_t status = 0;
    for (int s = 0; s < reg::kStages; ++s) {
        std::array<int32_t, 8> r{};
        ReadRegisters(reg::bank2(s, 0), 8, TargetChip, 0, status, r.data());
        if (!put(stageBlockLines(s, r)))
            return false;
    }
    int32_t values[6] = {};
    ReadRegisters(reg::PWR_CONTROL, 1, TargetChip, 0, status, values);
    if (!put(powerControlLines(values[0])))
        return false;
    ReadRegisters(reg::AMB_COMP_CTRL0, 6, TargetChip, 0, status, values);
    if (!put(bank1BlockLines({values[0], values[1], values[2], values[3], values[4], values[5]})))
        return false;
    // Six from STAGE_CAL_EN, of which only the first is used.
    ReadRegisters(reg::STAGE_CAL_EN, 6, TargetChip, 0, status, values);
    return put(calibrationEnableLines(values[0]));
}
} // namespace

bool writeConfigHeader(const QString& path, int32_t powerUpMask, QString* error)
{
    TrackedFile file(path);
    const bool ok = writeConfigHeaderTo(file, powerUpMask) && file.close();
    if (!ok && error)
        *error = file.errorText();
    return ok;
}

bool CreateConfigFile(const std::optional<QString>& path)
{
    const StageMasks masks = readStageMasks();
    if (masks.Floating != 0)
        services().message(QString::fromLatin1(kFloatingExportWarning), MsgIcon::Exclamation);

    std::optional<QString> chosen = path;
    if (!chosen) {
        FileDialogRequest request;
        request.save = true;
        request.filter = QString::fromLatin1(kHeaderFileFilter);
        request.filterIndex = 1;
        request.hideReadOnly = true;
        chosen = services().fileDialog(request);
    }
    QString why;
    if (!chosen || !writeConfigHeader(*chosen, masks.PowerUp, &why)) {
        // What went wrong follows on a line of its own.
        services().message(QString::fromLatin1(kHeaderWriteError) +
                               (why.isEmpty() ? QString() : QLatin1Char('\n') + why),
                           MsgIcon::Information);
        closeAllTrackedFiles();
        return false;
    }
    return true;
}

} // namespace cv
