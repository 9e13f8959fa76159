#include "config/ui/InterruptFrm.h"

#include "config/RegisterFields.h"
#include "link/UsbUtils.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace cv {

namespace {
constexpr int kDisplayX = 8400;
}

InterruptFrm::InterruptFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InterruptFrm"));
    setWindowTitle(QStringLiteral("Interrupt Configuration Registers"));
    setFixedSize(tw(kDisplayX + 5920 + 240), tw(4980));

    auto column = [this](CheckRow& boxes, const char* name, const char* caption, int x,
                         void (InterruptFrm::*handler)(int)) {
        for (int i = 0; i < 12; ++i) {
            auto* c = new QCheckBox(QStringLiteral("STAGE%1_%2").arg(i).arg(QLatin1String(caption)),
                                    this);
            c->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
            c->setGeometry(tw(x), tw(240 + i * 285), tw(2560), tw(285));
            connect(c, &QCheckBox::clicked, this, [this, handler, i] { (this->*handler)(i); });
            boxes[i] = c;
        }
    };
    column(LowLimIntChk, "LowLimIntChk", "LOW_INT_EN", 240, &InterruptFrm::LowLimIntChk_Click);
    column(HighLimIntChk, "HighLimIntChk", "HIGH_INT_EN", 2880, &InterruptFrm::HighLimIntChk_Click);
    column(CompIntChk, "CompIntChk", "COMPLETE_EN", 5520, &InterruptFrm::CompIntChk_Click);

    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(tw(x), tw(y), tw(w), tw(330));
    };
    label(QStringLiteral("GPIO_SETUP"), 240, 3900, 1440);
    GpioSetupCmb = new QComboBox(this);
    GpioSetupCmb->setObjectName(QStringLiteral("GpioSetupCmb"));
    GpioSetupCmb->setGeometry(tw(1680), tw(3870), tw(2280), tw(360));
    label(QStringLiteral("GPIO_INPUT_CONFIG"), 4140, 3900, 2100);
    GpiSetupCmb = new QComboBox(this);
    GpiSetupCmb->setObjectName(QStringLiteral("GpiSetupCmb"));
    GpiSetupCmb->setGeometry(tw(6300), tw(3870), tw(1980), tw(360));

    GpiIntChk = new QCheckBox(QStringLiteral("GPIO_INT_EN"), this);
    GpiIntChk->setObjectName(QStringLiteral("GpiIntChk"));
    GpiIntChk->setGeometry(tw(240), tw(4380), tw(2200), tw(330));
    IntPolChk = new QCheckBox(QStringLiteral("INT_POL"), this);
    IntPolChk->setObjectName(QStringLiteral("IntPolChk"));
    IntPolChk->setGeometry(tw(2880), tw(4380), tw(2200), tw(330));

    auto display = [this](int16_t address, const char* bits, const char* value, const char* title,
                          int row) {
        auto* d = new RegisterBitDisplay(
            address,
            {QString::fromLatin1(bits),
             QString::fromLatin1(value),
             QString::fromLatin1(bits).replace(QLatin1String("Lbl"), QLatin1String("Title")),
             {},
             {}},
            QString::fromLatin1(title), this);
        d->move(tw(kDisplayX), tw(240 + row * 1000));
        return d;
    };
    IntEn1 =
        display(reg::STAGE_LOW_INT_EN, "IntEn1Lbl", "Lab1", "Stage Low Interrupt Enable 0x05", 0);
    IntEn2 =
        display(reg::STAGE_HIGH_INT_EN, "IntEn2Lbl", "Lab2", "Stage High Interrupt Enable 0x06", 1);
    IntEn3 = display(reg::STAGE_COMPLETE_INT_EN, "IntEn3Lbl", "Lab3",
                     "Stage Complete Interrupt Enable 0x07", 2);
    PowContReg =
        display(reg::PWR_CONTROL, "PowContRegLbl", "Lab4", "Power Control Register 0x00", 3);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(tw(kDisplayX + 5920 - 1800), tw(4320), tw(1800), tw(420));

    // Enter never presses a button here: it belongs to the field that has the
    // focus (a command such as a reset must not run by accident).
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    Timer1->setSingleShot(true);

    connect(GpioSetupCmb, &QComboBox::activated, this, &InterruptFrm::GpioSetupCmb_Click);
    connect(GpiSetupCmb, &QComboBox::activated, this, &InterruptFrm::GpiSetupCmb_Click);
    connect(GpiIntChk, &QCheckBox::clicked, this, &InterruptFrm::GpiIntChk_Click);
    connect(IntPolChk, &QCheckBox::clicked, this, &InterruptFrm::IntPolChk_Click);
    connect(cmdClose, &QPushButton::clicked, this, &InterruptFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &InterruptFrm::Timer1_Timer);
    connect(this, &QDialog::finished, this, &InterruptFrm::Form_Unload);
}

void InterruptFrm::Form_Load()
{
    // Disarmed at every loading, so filling the controls never writes, the
    // first time or any later time.
    Armed = false;
    GpioSetupCmb->clear();
    GpioSetupCmb->addItems(gpioSetupItems());
    GpiSetupCmb->clear();
    GpiSetupCmb->addItems(gpioInputConfigItems());

    auto setRow = [](const CheckRow& boxes, int32_t value) {
        for (int i = 0; i < 12; ++i)
            boxes[i]->setChecked((value >> i) & 1);
    };
    const int32_t low = ReadRegister(reg::STAGE_LOW_INT_EN, TargetChip);
    GpioSetupCmb->setCurrentIndex(field::GPIO_SETUP.of(low));
    GpiSetupCmb->setCurrentIndex(field::GPIO_INPUT_CONFIG.of(low));
    setRow(LowLimIntChk, low);
    setRow(HighLimIntChk, ReadRegister(reg::STAGE_HIGH_INT_EN, TargetChip));
    const int32_t complete = ReadRegister(reg::STAGE_COMPLETE_INT_EN, TargetChip);
    setRow(CompIntChk, complete);
    GpiIntChk->setChecked(field::GPIO_INT_EN.of(complete) == 1);
    IntPolChk->setChecked(field::INT_POL.of(ReadRegister(reg::PWR_CONTROL, TargetChip)) == 1);

    IntEn1->refresh();
    IntEn2->refresh();
    IntEn3->refresh();
    PowContReg->refresh();
    Timer1->start();
}

void InterruptFrm::Form_Unload()
{
    Timer1->stop();
}

void InterruptFrm::Timer1_Timer()
{
    Armed = true;
    Timer1->stop();
}

void InterruptFrm::WriteStageFlags(int16_t address, const CheckRow& boxes,
                                   RegisterBitDisplay* display)
{
    if (!Armed)
        return;
    // All twelve boxes, not only the clicked one; bits 15..12 stay as read.
    bool flags[12];
    for (int i = 0; i < 12; ++i)
        flags[i] = boxes[i]->isChecked();
    WriteRegister(address, withStageFlags(ReadRegister(address, TargetChip), flags), TargetChip);
    display->refresh();
}

void InterruptFrm::LowLimIntChk_Click(int)
{
    WriteStageFlags(reg::STAGE_LOW_INT_EN, LowLimIntChk, IntEn1);
}

void InterruptFrm::HighLimIntChk_Click(int)
{
    WriteStageFlags(reg::STAGE_HIGH_INT_EN, HighLimIntChk, IntEn2);
}

void InterruptFrm::CompIntChk_Click(int)
{
    WriteStageFlags(reg::STAGE_COMPLETE_INT_EN, CompIntChk, IntEn3);
}

void InterruptFrm::GpioSetupCmb_Click()
{
    if (!Armed)
        return;
    UpdateField(field::GPIO_SETUP, GpioSetupCmb->currentIndex());
    IntEn1->refresh();
}

void InterruptFrm::GpiSetupCmb_Click()
{
    if (!Armed)
        return;
    UpdateField(field::GPIO_INPUT_CONFIG, GpiSetupCmb->currentIndex());
    IntEn1->refresh();
}

void InterruptFrm::GpiIntChk_Click()
{
    if (!Armed)
        return;
    UpdateField(field::GPIO_INT_EN, GpiIntChk->isChecked() ? 1 : 0);
    IntEn3->refresh();
}

void InterruptFrm::IntPolChk_Click()
{
    if (!Armed)
        return;
    UpdateField(field::INT_POL, IntPolChk->isChecked() ? 1 : 0);
    PowContReg->refresh();
}

void InterruptFrm::cmdClose_Click()
{
    reject();
}

} // namespace cv
