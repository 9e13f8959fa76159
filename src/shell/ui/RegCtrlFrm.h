#pragma once
// The register console: the chip's configuration registers as raw values,
// any single register read or written by address, and register files.

#include <QDialog>
#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace cv {

class Led;

class RegCtrlFrm : public QDialog {
    Q_OBJECT
public:
    explicit RegCtrlFrm(QWidget* parent = nullptr);

    void Form_Load();
    void cmdReadReg_Click();
    void CmdWriteReg_Click();
    void cmdSave_Click();
    void cmdLoad_Click();
    void cmdClose_Click();
    void Timer1_Timer();

private:
    void RefreshDisplay();
    // The typed address, or nothing (after saying why) when it is no register.
    std::optional<int16_t> typedAddress();
    void fileError();
    std::optional<QString> askRegisterFile(bool save);

public:
    QGroupBox* Frame1;
    std::array<QLabel*, 12> RegLbl{};
    std::array<QLineEdit*, 12> RegValTxt{};
    std::array<QGroupBox*, 12> StageFrame{}; // Frame2..Frame13
    std::array<std::array<QLabel*, 8>, 12> StgLbl{};
    std::array<QLineEdit*, 96> StgTxt{};
    QGroupBox* WriteRegisterFrame;
    QLabel* RegAddressLbl;
    QLineEdit* RegAddressTxt;
    QLabel* RegValLbl;
    QLineEdit* RegValueTxt;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QPushButton* cmdReadReg;
    QPushButton* CmdWriteReg;
    QPushButton* cmdSave;
    QPushButton* cmdLoad;
    QPushButton* cmdClose;
    Led* LoadLed;
    QTimer* Timer1;
};

// Said when a typed register address does not fit the chip's 10 bits.
QString registerAddressMessage();

} // namespace cv
