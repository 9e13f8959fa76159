#include "config/ui/IntStatFrm.h"

#include "link/RegMap.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace cv {

IntStatFrm::IntStatFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IntStatFrm"));
    setWindowTitle(QStringLiteral(" CDC Status"));
    setFixedSize(tw(6400), tw(4000));

    auto display = [this](int16_t address, int n, const QString& title) {
        auto* d = new RegisterBitDisplay(address,
                                         {QStringLiteral("IntStat%1Lbl").arg(n),
                                          QStringLiteral("Lab%1").arg(n),
                                          QStringLiteral("IntStat%1Title").arg(n),
                                          {},
                                          {}},
                                         title, this);
        d->move(tw(240), tw(240 + (n - 1) * 1000));
        d->showStageSeparator();
        return d;
    };
    IntStat1 =
        display(reg::STAGE_LOW_INT_STATUS, 1, QStringLiteral("Stage Low Limit Interrupt 0x08 "));
    IntStat2 =
        display(reg::STAGE_HIGH_INT_STATUS, 2, QStringLiteral("Stage High Limit Interrupt 0x09"));
    IntStat3 = display(reg::STAGE_COMPLETE_INT_STATUS, 3,
                       QStringLiteral("Stage Complete Limit Interrupt 0x0A"));

    // A connector from below bit 12 of the third display down to its label.
    const QRect bit12 = IntStat3->bitLabel(12)->geometry().translated(IntStat3->pos());
    auto* connector = new QFrame(this);
    connector->setFrameShape(QFrame::VLine);
    connector->setGeometry(bit12.center().x() - 1, bit12.bottom() + 1, 3, tw(300));
    auto* gpio = new QLabel(QStringLiteral("GPIO Status Bit"), this);
    gpio->setObjectName(QStringLiteral("GpioStatusLbl"));
    gpio->setGeometry(bit12.left(), bit12.bottom() + 1 + tw(300), tw(1800), tw(300));

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(tw(6400 - 240 - 1800), tw(3360), tw(1800), tw(420));

    // Enter never presses a button here: it belongs to the field that has the
    // focus (a command such as a reset must not run by accident).
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(40);

    connect(cmdClose, &QPushButton::clicked, this, &IntStatFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &IntStatFrm::Timer1_Timer);
    connect(this, &QDialog::finished, this, &IntStatFrm::Form_Unload);
}

void IntStatFrm::Form_Load()
{
    RefreshAll();
    Timer1->start();
}

void IntStatFrm::Form_Unload()
{
    Timer1->stop();
}

void IntStatFrm::Timer1_Timer()
{
    RefreshAll();
}

void IntStatFrm::RefreshAll()
{
    IntStat1->refresh();
    IntStat2->refresh();
    IntStat3->refresh();
}

void IntStatFrm::cmdClose_Click()
{
    reject();
}

} // namespace cv
