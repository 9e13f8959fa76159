#include "config/ui/PowControlFrm.h"

#include "config/RegisterFields.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace cv {

PowControlFrm::PowControlFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PowControlFrm"));
    setWindowTitle(QStringLiteral("Power Control"));
    setFixedSize(tw(6600), tw(2900));

    PowContReg = new RegisterBitDisplay(reg::PWR_CONTROL,
                                        {QStringLiteral("PowContRegLbl"), QStringLiteral("Lab1"),
                                         QStringLiteral("PowControlLbl"), QStringLiteral("Label2"),
                                         QStringLiteral("Label1")},
                                        QStringLiteral("Power Control Register 0x00"), this);
    PowContReg->move(tw(240), tw(180));

    auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(tw(x), tw(y), tw(1800), tw(300));
    };
    label("Label4", QStringLiteral("POWER_MODE"), 240, 1200);
    label("Label3", QStringLiteral("LP_CONV_DELAY"), 240, 1680);

    PowModeCmb = new QComboBox(this);
    PowModeCmb->setObjectName(QStringLiteral("PowModeCmb"));
    PowModeCmb->setGeometry(tw(2040), tw(1140), tw(2000), tw(360));
    ConvStartCmb = new QComboBox(this);
    ConvStartCmb->setObjectName(QStringLiteral("ConvStartCmb"));
    ConvStartCmb->setGeometry(tw(2040), tw(1620), tw(2000), tw(360));

    CmdSWReset = new QPushButton(QStringLiteral("SW_RESET"), this);
    CmdSWReset->setObjectName(QStringLiteral("CmdSWReset"));
    CmdSWReset->setGeometry(tw(4440), tw(1140), tw(1800), tw(420));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(tw(4440), tw(2280), tw(1800), tw(420));

    // Enter never presses a button here: it belongs to the field that has the
    // focus (a command such as a reset must not run by accident).
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);

    // activated: user choices only, so filling the lists writes nothing.
    connect(PowModeCmb, &QComboBox::activated, this, &PowControlFrm::PowModeCmb_Click);
    connect(ConvStartCmb, &QComboBox::activated, this, &PowControlFrm::ConvStartCmb_Click);
    connect(CmdSWReset, &QPushButton::clicked, this, &PowControlFrm::CmdSWReset_Click);
    connect(cmdClose, &QPushButton::clicked, this, &PowControlFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &PowControlFrm::Timer1_Timer);
    connect(this, &QDialog::finished, this, &PowControlFrm::Form_Unload);
}

void PowControlFrm::Form_Load()
{
    ConvStartCmb->clear();
    ConvStartCmb->addItems(convDelayItems());
    PowModeCmb->clear();
    PowModeCmb->addItems(powerModeItems());
    ShowFields(ReadRegister(reg::PWR_CONTROL, TargetChip));
    PowContReg->refresh();
}

void PowControlFrm::Form_Unload()
{
    Timer1->stop();
}

void PowControlFrm::ShowFields(int32_t value)
{
    ConvStartCmb->setCurrentIndex(field::LP_CONV_DELAY.of(value));
    PowModeCmb->setCurrentIndex(field::POWER_MODE.of(value));
}

void PowControlFrm::ConvStartCmb_Click()
{
    UpdateField(field::LP_CONV_DELAY, ConvStartCmb->currentIndex());
    PowContReg->refresh();
}

void PowControlFrm::PowModeCmb_Click()
{
    UpdateField(field::POWER_MODE, PowModeCmb->currentIndex());
    PowContReg->refresh();
}

void PowControlFrm::CmdSWReset_Click()
{
    // The bit shows before anything travels; the timer shows the chip's reset state.
    PowContReg->showBit(10, true);
    SetCommandBit(field::SW_RESET);
    services().message(QStringLiteral("SW_RESET resets all Registers to Default Values. Run Easy "
                                      "Setup to Configure part"),
                       MsgIcon::Exclamation, kAppTitle, MsgButtons::Ok);
    Timer1->start();
}

void PowControlFrm::Timer1_Timer()
{
    ShowFields(ReadRegister(reg::PWR_CONTROL, TargetChip));
    PowContReg->refresh();
    Timer1->stop();
}

void PowControlFrm::cmdClose_Click()
{
    reject();
}

} // namespace cv
