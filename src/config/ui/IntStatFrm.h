#pragma once
// " CDC Status": the three interrupt status registers of the chip, read
// again every 40 ms while the window is open.

#include <QDialog>

class QPushButton;
class QTimer;

namespace cv {

class RegisterBitDisplay;

class IntStatFrm : public QDialog {
    Q_OBJECT
public:
    explicit IntStatFrm(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void cmdClose_Click();

    QTimer* timer1() const { return Timer1; }

private:
    void RefreshAll();

    RegisterBitDisplay* IntStat1;
    RegisterBitDisplay* IntStat2;
    RegisterBitDisplay* IntStat3;
    QPushButton* cmdClose;
    QTimer* Timer1;
};

} // namespace cv
