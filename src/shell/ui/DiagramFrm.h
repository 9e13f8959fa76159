#pragma once
// The block diagram of the CV5320: the hub of the configuration windows. It
// shows the pins and blocks of the chip, opens the dialogs and the per-stage
// windows, and owns the stage context those windows read.

#include "platform/Services.h"

#include <QDialog>
#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QTimer;

namespace cv {

class Led;

class DiagramFrm : public QDialog {
    Q_OBJECT
public:
    explicit DiagramFrm(QWidget* parent = nullptr);

    void Form_Load();

    void AddressCmb_Click();
    void CmdInitReg_Click();
    void CmdEasySetup_Click();
    void GetAllOffsetsCmd_Click();
    void CmdCreateConfig_Click();
    void CmdExit_Click();

    void CmdAmbComp_Click();
    void CmdPowerControl_Click();
    void ExciteSourceCmd_Click();
    void CmdInt_Click();
    void CmdIntStat_Click();
    void AdcCmd_Click();
    void RegValCmd_Click();

    // MuxStage0..11 and RRStage0..11.
    void MuxStage_Click(int Index);
    void RRStage_Click(int Index);

    void Timer1_Timer();

    // Window titles of the per-stage windows.
    static QString inputWindowTitle(int stage);
    static QString resultsWindowTitle(int stage);

private:
    // The chip outline, pins, wires and arrows behind the blocks.
    void paintDrawing(QPainter& p);
    // Opens a dialog the way every button here does: a fresh window, loaded,
    // shown modally, gone when closed.
    template <class W> void showDialog()
    {
        W w(this);
        w.Form_Load();
        services().showModal(&w);
    }
    template <class W> void showStageWindow(const QString& title)
    {
        W w(this);
        w.Form_Load();
        w.setWindowTitle(title);
        services().showModal(&w);
    }
    // Stage context and board selection before a per-stage window opens.
    void prepareInputStage(int stage);
    void prepareResultsStage(int stage);

    // Last value read from BoardInterfaceWord.
    std::array<int32_t, 4> Buffer{};

public:
    QFrame* SpiFrm;
    QFrame* I2cFrm;
    QComboBox* AddressCmb;
    QLineEdit* Add1Txt;
    QLineEdit* Add0Txt;
    std::array<QLabel*, 23> CinLbl{};
    std::array<QPushButton*, 12> MuxStage{};
    std::array<QPushButton*, 12> RRStage{};
    QPushButton* CmdInitReg;
    QPushButton* CmdEasySetup;
    QPushButton* GetAllOffsetsCmd;
    Led* GetOffsetsLed;
    QPushButton* CmdCreateConfig;
    QPushButton* CmdAmbComp;
    QPushButton* CmdPowerControl;
    QPushButton* ExciteSourceCmd;
    QPushButton* CmdInt;
    QPushButton* CmdIntStat;
    QPushButton* AdcCmd;
    QPushButton* RegValCmd;
    QPushButton* CmdExit;
    QTimer* Timer1;
    QLabel* Label5;
    QLabel* Label1;
};

} // namespace cv
