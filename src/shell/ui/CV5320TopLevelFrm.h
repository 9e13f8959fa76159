#pragma once
// The main window: brings the board up while it loads, identifies it each
// time it is shown or resized, and opens the block diagram and the demo.

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;
class QTimer;

namespace cv {

class UsbAccess;

class CV5320TopLevelFrm : public QWidget {
    Q_OBJECT
public:
    // `boardDescription` says which board this run talks to.
    CV5320TopLevelFrm(UsbAccess& access, const QString& appFolder, const QString& boardDescription,
                      QWidget* parent = nullptr);

    // The start-up sequence; ends the program on failure.
    void Form_Load();
    // Identification and display.
    void Form_Resize();

    void CmdBlockDiagram_Click();
    void CmdDemo_Click();
    void CmdExit_Click();
    void CmdOverview_Click();

    int32_t boardId() const { return BoardId; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowDownloadProgress(const QString& title);

    UsbAccess& access_;
    QString appFolder_;
    QString FirmwareTitle;
    int32_t BoardId = 0;
    bool loaded_ = false;
    bool identifying_ = false;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* FwRevLbl;
    QLabel* ManIDLbl;
    QLabel* SilRevLbl;
    QLabel* DwnStatusLbl;
    QFrame* progressRectShp;
    QLabel* BoardKindLbl;
    QPushButton* CmdBlockDiagram;
    QPushButton* CmdDemo;
    QPushButton* CmdExit;
    QTimer* ResizeSettle;
    QPushButton* CmdOverview;
    QPointer<QWidget> Overview;
};

} // namespace cv
