#include "shell/ui/RegCtrlFrm.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "link/RegisterFile.h"
#include "widgets/Led.h"
#include "widgets/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace cv {

namespace {
QRect twRect(int x, int y, int w, int h)
{
    return QRect(tw(x), tw(y), tw(w), tw(h));
}

QLineEdit* valueField(QWidget* parent, const QString& name, QRect r)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setGeometry(r);
    t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return t;
}
} // namespace

QString registerAddressMessage()
{
    return QStringLiteral("Register address must be between 0 and 3FF (hex).");
}

RegCtrlFrm::RegCtrlFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RegCtrlFrm"));
    setWindowTitle(QStringLiteral("Setup Registers"));
    setFixedSize(tw(16410), tw(9960));
    setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; }"
                                 "QGroupBox QLabel, QGroupBox QLineEdit, QGroupBox QRadioButton "
                                 "{ font-weight: normal; }"
                                 "QLineEdit { font-family: monospace; }"));

    // Bank 1.
    Frame1 = new QGroupBox(QStringLiteral("Main Initial Setup"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twRect(120, 120, 4200, 4830));
    for (int i = 0; i < kConsoleBank1Count; ++i) {
        const int y = 360 + i * 360;
        auto* l = new QLabel(reg::bank1ConsoleLabel(consoleBank1Address(i)), Frame1);
        l->setObjectName(QStringLiteral("RegLbl_%1").arg(i));
        l->setGeometry(twRect(120, y, 2940, 330));
        RegLbl[i] = l;
        RegValTxt[i] =
            valueField(Frame1, QStringLiteral("RegValTxt_%1").arg(i), twRect(3120, y, 960, 330));
    }
    // The display fields only show the chip: writes go through the single
    // register entry below, so typing here must not look like it changes anything.
    for (QLineEdit* t : RegValTxt)
        t->setReadOnly(true);

    // Bank 2, one group per stage.
    for (int s = 0; s < reg::kStages; ++s) {
        const int col = s % 4, row = s / 4;
        auto* f = new QGroupBox(QStringLiteral("Stage %1").arg(s), this);
        f->setObjectName(QStringLiteral("Frame%1").arg(s + 2));
        f->setGeometry(twRect(4440 + col * 2985, 120 + row * 3270, 2940, 3150));
        StageFrame[s] = f;
        for (int k = 0; k < 8; ++k) {
            const int y = 360 + k * 330;
            const int address = reg::bank2(s, k);
            auto* l =
                new QLabel(reg::bank2ConsoleLabel(k) + QStringLiteral(" 0x") + hexText(address), f);
            l->setObjectName(QStringLiteral("Stg%1Lbl_%2").arg(s).arg(k));
            l->setGeometry(twRect(105, y, 1950, 315));
            StgLbl[s][k] = l;
            const int n = 8 * s + k;
            StgTxt[n] =
                valueField(f, QStringLiteral("StgTxt_%1").arg(n), twRect(2070, y, 795, 315));
            StgTxt[n]->setReadOnly(true);
        }
    }

    // Single register access.
    WriteRegisterFrame = new QGroupBox(QStringLiteral("Write To Register"), this);
    WriteRegisterFrame->setObjectName(QStringLiteral("WriteRegisterFrame"));
    WriteRegisterFrame->setGeometry(twRect(120, 5130, 4200, 2640));
    RegAddressLbl = new QLabel(QStringLiteral("Register Address ( Hex )"), WriteRegisterFrame);
    RegAddressLbl->setObjectName(QStringLiteral("RegAddressLbl"));
    RegAddressLbl->setGeometry(twRect(120, 390, 2280, 330));
    RegAddressTxt = valueField(WriteRegisterFrame, QStringLiteral("RegAddressTxt"),
                               twRect(2820, 390, 1200, 345));
    RegAddressTxt->setToolTip(QStringLiteral("0 to 3FF"));
    RegValLbl = new QLabel(QStringLiteral("Value "), WriteRegisterFrame);
    RegValLbl->setObjectName(QStringLiteral("RegValLbl"));
    RegValLbl->setGeometry(twRect(120, 870, 2280, 330));
    RegValueTxt =
        valueField(WriteRegisterFrame, QStringLiteral("RegValueTxt"), twRect(2820, 870, 1200, 345));
    Option1 = new QRadioButton(QStringLiteral("Hex"), WriteRegisterFrame);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(twRect(120, 1380, 1200, 330));
    Option2 = new QRadioButton(QStringLiteral("Decimal"), WriteRegisterFrame);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(twRect(1380, 1380, 1500, 330));
    cmdReadReg = new QPushButton(QStringLiteral("Read"), WriteRegisterFrame);
    cmdReadReg->setObjectName(QStringLiteral("cmdReadReg"));
    cmdReadReg->setGeometry(twRect(120, 1920, 1890, 480));
    CmdWriteReg = new QPushButton(QStringLiteral("Write"), WriteRegisterFrame);
    CmdWriteReg->setObjectName(QStringLiteral("CmdWriteReg"));
    CmdWriteReg->setGeometry(twRect(2130, 1920, 1890, 480));
    cmdReadReg->setAutoDefault(false);
    CmdWriteReg->setAutoDefault(false);

    // Register files.
    auto button = [this](const char* name, const QString& caption, QRect r) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        b->setAutoDefault(false);
        return b;
    };
    cmdSave = button("cmdSave", QStringLiteral("Save"), twRect(120, 7980, 1890, 510));
    cmdSave->setToolTip(QStringLiteral("Save Current Setup of Registers to File."));
    cmdLoad = button("cmdLoad", QStringLiteral("Load "), twRect(2130, 7980, 1890, 510));
    cmdLoad->setToolTip(QStringLiteral("Reload a Register Setup that was previously used"));
    LoadLed = new Led(this, QColor(0xff, 0x3b, 0x30));
    LoadLed->setObjectName(QStringLiteral("LoadLed"));
    LoadLed->setGeometry(twRect(4050, 8085, 300, 300));
    LoadLed->setToolTip(QStringLiteral("Lit while a register file is written or read"));
    cmdClose = button("cmdClose", QStringLiteral("Close"), twRect(120, 9000, 3900, 510));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);

    connect(cmdReadReg, &QPushButton::clicked, this, &RegCtrlFrm::cmdReadReg_Click);
    connect(CmdWriteReg, &QPushButton::clicked, this, &RegCtrlFrm::CmdWriteReg_Click);
    connect(cmdSave, &QPushButton::clicked, this, &RegCtrlFrm::cmdSave_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &RegCtrlFrm::cmdLoad_Click);
    connect(cmdClose, &QPushButton::clicked, this, &RegCtrlFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &RegCtrlFrm::Timer1_Timer);
}

void RegCtrlFrm::Form_Load()
{
    RefreshDisplay();
    Option1->setChecked(true);
    RegAddressTxt->setFocus();
}

void RegCtrlFrm::RefreshDisplay()
{
    const ConsoleRegisters r = readConsoleRegisters();
    for (int i = 0; i < kConsoleBank1Count; ++i)
        RegValTxt[i]->setText(hexText(r.bank1[i]));
    for (int n = 0; n < kConsoleBank2Count; ++n)
        StgTxt[n]->setText(consoleBank2Text(n, r.bank2[n]));
}

std::optional<int16_t> RegCtrlFrm::typedAddress()
{
    bool overflow = false;
    const uint64_t address = hexFieldValue(RegAddressTxt->text(), &overflow);
    // The request carries ten address bits: anything wider would reach
    // another register.
    if (overflow || address > static_cast<uint64_t>(reg::kMaxAddress)) {
        services().message(registerAddressMessage(), MsgIcon::Exclamation);
        return std::nullopt;
    }
    return static_cast<int16_t>(address);
}

void RegCtrlFrm::cmdReadReg_Click()
{
    const auto address = typedAddress();
    if (!address)
        return;
    const int32_t value = ReadRegister(*address, TargetChip);
    RegValueTxt->setText(Option2->isChecked() ? decText(value) : hexText(value));
}

void RegCtrlFrm::CmdWriteReg_Click()
{
    const auto address = typedAddress();
    if (!address)
        return;
    const QString text = RegValueTxt->text();
    const int64_t value =
        Option2->isChecked() ? decFieldValue(text) : static_cast<int64_t>(hexFieldValue(text));
    WriteRegister(*address, static_cast<int32_t>(value & 0xFFFF), TargetChip);
    RefreshDisplay();
}

void RegCtrlFrm::fileError()
{
    services().message(kRegisterFileError, MsgIcon::None, kAppTitle, MsgButtons::Ok);
    Timer1->start();
}

std::optional<QString> RegCtrlFrm::askRegisterFile(bool save)
{
    FileDialogRequest request;
    request.save = save;
    request.filter = kRegisterFileFilter;
    request.filterIndex = 1;
    request.hideReadOnly = true;
    return services().fileDialog(request);
}

void RegCtrlFrm::cmdSave_Click()
{
    const auto path = askRegisterFile(true);
    if (!path) {
        fileError();
        return;
    }
    LoadLed->setOn(true);
    if (!saveRegisterFile(*path)) {
        fileError();
        return;
    }
    Timer1->start();
}

void RegCtrlFrm::cmdLoad_Click()
{
    const auto path = askRegisterFile(false);
    if (!path) {
        fileError();
        return;
    }
    LoadLed->setOn(true);
    // A broken file only closes and lets the lamp go out: the display keeps
    // what it showed, whatever the lines before the fault wrote.
    if (!loadRegisterFile(*path)) {
        fileError();
        return;
    }
    RefreshDisplay();
    Timer1->start();
}

void RegCtrlFrm::cmdClose_Click()
{
    close();
}

void RegCtrlFrm::Timer1_Timer()
{
    Timer1->stop();
    LoadLed->setOn(false);
}

} // namespace cv
