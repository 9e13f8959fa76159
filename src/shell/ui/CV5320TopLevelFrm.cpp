#include "shell/ui/CV5320TopLevelFrm.h"

#include "shell/ui/DiagramFrm.h"
#include "demo/ui/EvalBoardFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/SensorOverviewFrm.h"
#include "platform/Services.h"
#include "link/Startup.h"
#include "widgets/Twips.h"
#include "widgets/WindowFit.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <memory>

namespace cv {

CV5320TopLevelFrm::CV5320TopLevelFrm(UsbAccess& access, const QString& appFolder,
                                     const QString& boardDescription, QWidget* parent)
    : QWidget(parent), access_(access), appFolder_(appFolder)
{
    setObjectName(QStringLiteral("CV5320TopLevelFrm"));
    setWindowTitle(kAppTitle);
    resize(tw(9480), tw(4740));
    setStyleSheet(QStringLiteral("CV5320TopLevelFrm { background: #f4f6f8; }"));

    auto label = [this](const char* name, const QString& text, int x, int y, int w, int h) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(tw(x), tw(y), tw(w), tw(h));
        return l;
    };

    auto* banner = new QFrame(this);
    banner->setGeometry(0, 0, tw(9480), tw(1080));
    banner->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #0b3d6e, stop:1 #1f6fb2);"));
    Label1 = label("Label1", kAppTitle, 360, 240, 8760, 600);
    Label1->setStyleSheet(QStringLiteral("color: white; font-size: 20px; font-weight: bold;"));
    Label1->setAlignment(Qt::AlignCenter);

    Label2 = label("Label2", QStringLiteral("Software Revision:4.0"), 600, 1440, 4000, 300);
    FwRevLbl = label("FwRevLbl", QStringLiteral("Firmware Revision:"), 600, 1800, 4000, 300);
    ManIDLbl = label("ManIDLbl", QStringLiteral("Device ID:"), 5400, 1440, 3600, 300);
    SilRevLbl = label("SilRevLbl", QStringLiteral("Silicon Revision:"), 5400, 1800, 3600, 300);
    DwnStatusLbl = label("DwnStatusLbl", QStringLiteral("Downloading CV5320 Protocol ..."), 600,
                         2400, 8280, 300);

    // The bar's trough, then the bar itself.
    progressRectShp = new QFrame(this);
    progressRectShp->setObjectName(QStringLiteral("progressRectShp"));
    progressRectShp->setGeometry(tw(600), tw(2760), tw(4215), tw(255));
    progressRectShp->setStyleSheet(QStringLiteral("background: #1f6fb2; border: none;"));

    BoardKindLbl = label("BoardKindLbl", boardDescription, 600, 4380, 8280, 300);
    BoardKindLbl->setStyleSheet(QStringLiteral("color: #6b7785; font-style: italic;"));

    auto button = [this](const char* name, const QString& text, int x) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(tw(x), tw(3360), tw(2760), tw(600));
        return b;
    };
    CmdBlockDiagram = button("CmdBlockDiagram", QStringLiteral("Register Configuration"), 600);
    CmdDemo = button("CmdDemo", QStringLiteral("Eval Demo"), 3360);
    CmdExit = button("CmdExit", QStringLiteral("E&xit"), 6120);
    CmdBlockDiagram->setToolTip(QStringLiteral("Configure the CV5320 from its block diagram"));

    // A larger window keeps the identity block at the top, the buttons and
    // the board line at the bottom, and the banner across.
    auto* anchors = new Anchors(this);
    anchors->add(banner, Anchors::Left | Anchors::Top | Anchors::Right);
    anchors->add(Label1, Anchors::Left | Anchors::Top | Anchors::Right);
    for (QWidget* w : {Label2, FwRevLbl, DwnStatusLbl})
        anchors->add(w, Anchors::Left | Anchors::Top);
    anchors->add(ManIDLbl, Anchors::Right | Anchors::Top);
    anchors->add(SilRevLbl, Anchors::Right | Anchors::Top);
    anchors->add(BoardKindLbl, Anchors::Left | Anchors::Bottom);
    anchors->add(CmdBlockDiagram, Anchors::Left | Anchors::Bottom);
    anchors->add(CmdDemo, Anchors::Bottom);
    anchors->add(CmdExit, Anchors::Right | Anchors::Bottom);
    ResizeSettle = new QTimer(this);
    ResizeSettle->setSingleShot(true);
    ResizeSettle->setInterval(250);
    connect(ResizeSettle, &QTimer::timeout, this, &CV5320TopLevelFrm::Form_Resize);

    connect(CmdBlockDiagram, &QPushButton::clicked, this,
            &CV5320TopLevelFrm::CmdBlockDiagram_Click);
    connect(CmdDemo, &QPushButton::clicked, this, &CV5320TopLevelFrm::CmdDemo_Click);
    connect(CmdExit, &QPushButton::clicked, this, &CV5320TopLevelFrm::CmdExit_Click);
    // An addition: all stages at a glance, beside the other windows.
    CmdOverview = new QPushButton(QStringLiteral("Sensor Overview"), this);
    CmdOverview->setObjectName(QStringLiteral("CmdOverview"));
    CmdOverview->setGeometry(tw(6120), tw(2790), tw(2760), tw(480));
    anchors->add(CmdOverview, Anchors::Right | Anchors::Bottom);
    connect(CmdOverview, &QPushButton::clicked, this, &CV5320TopLevelFrm::CmdOverview_Click);
}

void CV5320TopLevelFrm::Form_Load()
{
    progressRectShp->hide();
    DwnStatusLbl->setText(QString());
    DwnStatusLbl->hide();
    CmdDemo->setEnabled(false);
    CmdBlockDiagram->setEnabled(false);
    CmdExit->setEnabled(false);

    FirmwareTitle = runStartup(access_, appFolder_).FirmwareTitle;
    // Only now is it known where on the bus the board sits.
    BoardKindLbl->setText(boardText(BoardKindLbl->text(), access_));
    loaded_ = true;
}

void CV5320TopLevelFrm::Form_Resize()
{
    if (!loaded_ || identifying_)
        return;
    identifying_ = true;
    BoardId = readBoardId();
    CmdDemo->setText(QStringLiteral("Evaluation Demo"));
    ShowDownloadProgress(FirmwareTitle);
    CmdBlockDiagram->setEnabled(true);
    CmdDemo->setEnabled(true);
    CmdExit->setEnabled(true);

    const int32_t chipId = ReadRegister(reg::PART_ID, TargetChip);
    ManIDLbl->setText(deviceIdText(chipId));
    SilRevLbl->setText(siliconRevisionText(chipId));
    FwRevLbl->setText(
        firmwareRevisionText(ReadRegister(reg::board::FirmwareRevision, TargetBoard)));
    identifying_ = false;
}

void CV5320TopLevelFrm::ShowDownloadProgress(const QString& title)
{
    DwnStatusLbl->setText(QStringLiteral("Downloading ") + title + QStringLiteral(" ..."));
    DwnStatusLbl->show();
    progressRectShp->resize(0, tw(255));
    progressRectShp->show();
    // The bar repaints itself at each step; no other window events run.
    for (int width = 0; width <= 4215; width += 100) {
        progressRectShp->resize(tw(width), tw(255));
        if (isVisible())
            repaint();
        services().sleepMs(25);
    }
    DwnStatusLbl->hide();
    progressRectShp->hide();
}

void CV5320TopLevelFrm::CmdBlockDiagram_Click()
{
    DiagramFrm w(this);
    w.Form_Load();
    services().showModal(&w);
}

void CV5320TopLevelFrm::CmdDemo_Click()
{
    // The demo window of the board (1, 58 or 70), modally; any other
    // identifier does nothing. Its Demo tab starts 250 ms after it shows.
    std::unique_ptr<EvalBoardFrm> w(createEvalBoardFrm(BoardId, this));
    if (!w)
        return;
    w->Form_Load();
    services().showModal(w.get());
}

void CV5320TopLevelFrm::CmdOverview_Click()
{
    if (!Overview) {
        auto* w = new SensorOverviewFrm(this);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->Form_Load();
        Overview = w;
    }
    Overview->show();
    Overview->raise();
}

void CV5320TopLevelFrm::CmdExit_Click()
{
    services().endProgram(0);
}

void CV5320TopLevelFrm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Dragging an edge sends a stream of sizes: the identification runs once
    // the size has settled, not once per step of the drag.
    if (isVisible() && event->oldSize().isValid())
        ResizeSettle->start();
    else
        Form_Resize();
}

void CV5320TopLevelFrm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Minimising and restoring both count as a resize.
    if (event->type() == QEvent::WindowStateChange &&
        ((windowState() ^ static_cast<QWindowStateChangeEvent*>(event)->oldState()) &
         Qt::WindowMinimized))
        Form_Resize();
}

void CV5320TopLevelFrm::closeEvent(QCloseEvent* event)
{
    event->accept();
    services().endProgram(0);
}

} // namespace cv
