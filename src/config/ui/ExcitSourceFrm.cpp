#include "config/ui/ExcitSourceFrm.h"

#include "config/DiagramOps.h"
#include "config/RegisterFields.h"
#include "link/UsbUtils.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QPushButton>

namespace cv {

ExcitSourceFrm::ExcitSourceFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExcitSourceFrm"));
    setWindowTitle(QStringLiteral("Excitation Source"));
    setFixedSize(tw(6600), tw(2700));

    PowContReg = new RegisterBitDisplay(reg::PWR_CONTROL,
                                        {QStringLiteral("PowContRegLbl"), QStringLiteral("Lab1"),
                                         QStringLiteral("PowControlLbl"), QStringLiteral("Label2"),
                                         QStringLiteral("Label1")},
                                        QStringLiteral("Power Control Register 0x00"), this);
    PowContReg->move(tw(240), tw(180));

    SrcDisChk = new QCheckBox(QStringLiteral("Excitation Source Disable"), this);
    SrcDisChk->setObjectName(QStringLiteral("SrcDisChk"));
    SrcDisChk->setGeometry(tw(240), tw(1200), tw(3600), tw(330));
    FloatModeChk = new QCheckBox(QStringLiteral("Floating Mode Enable"), this);
    FloatModeChk->setObjectName(QStringLiteral("FloatModeChk"));
    FloatModeChk->setGeometry(tw(240), tw(1620), tw(3600), tw(330));

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(tw(4440), tw(2040), tw(1800), tw(420));

    // Enter never presses a button here: it belongs to the field that has the
    // focus (a command such as a reset must not run by accident).
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    // clicked: user changes only, so setting the boxes at load writes nothing.
    connect(SrcDisChk, &QCheckBox::clicked, this, &ExcitSourceFrm::SrcDisChk_Click);
    connect(FloatModeChk, &QCheckBox::clicked, this, &ExcitSourceFrm::FloatModeChk_Click);
    connect(cmdClose, &QPushButton::clicked, this, &ExcitSourceFrm::cmdClose_Click);
}

void ExcitSourceFrm::Form_Load()
{
    const int32_t v = ReadRegister(reg::PWR_CONTROL, TargetChip);
    SrcDisChk->setChecked(field::EXCITATION_SOURCE_DISABLE.of(v) == 1);
    FloatModeChk->setChecked(field::FLOATING_MODE.of(v) == 1);
    PowContReg->refresh();
}

void ExcitSourceFrm::SrcDisChk_Click()
{
    UpdateField(field::EXCITATION_SOURCE_DISABLE, SrcDisChk->isChecked() ? 1 : 0);
    PowContReg->refresh();
}

void ExcitSourceFrm::FloatModeChk_Click()
{
    const int32_t written = UpdateField(field::FLOATING_MODE, FloatModeChk->isChecked() ? 1 : 0);
    emit pin8CaptionChanged(pin8Label(written));
    PowContReg->refresh();
}

void ExcitSourceFrm::cmdClose_Click()
{
    reject();
}

} // namespace cv
