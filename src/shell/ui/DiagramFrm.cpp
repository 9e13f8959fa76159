#include "shell/ui/DiagramFrm.h"

#include "config/ConfigHeader.h"
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "config/StageContext.h"
#include "config/ui/AmbCompFrm.h"
#include "config/ui/ExcitSourceFrm.h"
#include "config/ui/InputMuxFrm.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"
#include "config/ui/PowControlFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "shell/ui/RegCtrlFrm.h"
#include "widgets/Backdrop.h"
#include "widgets/Led.h"
#include "widgets/Twips.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>

namespace cv {

namespace {
// Geometry of the drawing, in twips.
constexpr int kChipLeft = 1680, kChipTop = 210, kChipRight = 13500, kChipBottom = 8880;
constexpr int kCinBlockLeft = 2100, kCinBlockRight = 4650, kBlockTop = 450;
constexpr int kCinBlockBottom = 7290;
constexpr int kCdcLeft = 5025, kCdcRight = 7275, kCdcTop = 2250, kCdcBottom = 4950;
constexpr int kExcLeft = 5025, kExcRight = 7275, kExcTop = 5400, kExcBottom = 6900;
constexpr int kCalLeft = 7650, kCalRight = 10200, kCalBottom = 8640;
constexpr int kRightLeft = 10500, kRightRight = 13275;
constexpr int kSerialBottom = 3750, kIntTop = 4050, kIntBottom = 6300, kPowTop = 6600;

int cinPinY(int i)
{
    return 1050 + i * 465;
} // centre of CIN pin i
constexpr int kBiasY = 7800, kShieldY = 8340;
// Centres of the interface pins by CinLbl index 17..22.
constexpr int kIfPinY[6] = {5400, 4650, 2850, 2250, 1650, 1050};

const char* const kCinDesignLabels[15] = {
    "CIN0- 19",  "CIN1 - 20", "CIN2- 21",  "CIN3 - 22", "CIN4 - 23",
    "CIN5 - 24", "CIN6 - 1",  "CIN7 - 2",  "CIN8 - 3",  "CIN9 - 4",
    "CIN10 - 5", "CIN11 - 6", "CIN12 - 7", "BIAS - 9 ", "ACSHIELD - 8",
};

QRect twRect(int x, int y, int w, int h)
{
    return QRect(tw(x), tw(y), tw(w), tw(h));
}
QPoint twPt(int x, int y)
{
    return QPoint(tw(x), tw(y));
}
} // namespace

DiagramFrm::DiagramFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DiagramFrm"));
    setWindowTitle(kAppTitle);
    setFixedSize(tw(16425), tw(10080));
    new Backdrop(this, [this](QPainter& p) { paintDrawing(p); });
    setStyleSheet(QStringLiteral(
        "QFrame#block { background: white; border: 1px solid #5b7fa6; border-radius: 4px; }"
        "QLabel[role=\"title\"] { color: #0b3d6e; font-weight: bold; }"
        "QLabel[role=\"note\"] { color: #5a6673; }"
        "QLabel[role=\"pin\"] { color: #1c2833; font-family: monospace; }"));

    auto block = [this](int x, int y, int w, int h) {
        auto* f = new QFrame(this);
        f->setObjectName(QStringLiteral("block"));
        f->setGeometry(twRect(x, y, w, h));
        return f;
    };
    auto text = [this](const QString& t, int x, int y, int w, int h, const char* role,
                       Qt::Alignment align = Qt::AlignHCenter | Qt::AlignVCenter) {
        auto* l = new QLabel(t, this);
        l->setGeometry(twRect(x, y, w, h));
        l->setProperty("role", QString::fromLatin1(role));
        l->setAlignment(align);
        return l;
    };
    auto button = [this](const char* name, const QString& caption, QRect r) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        b->setAutoDefault(false);
        return b;
    };

    // Blocks inside the chip.
    block(kCinBlockLeft, kBlockTop, kCinBlockRight - kCinBlockLeft, kCinBlockBottom - kBlockTop);
    Label5 = text(QStringLiteral("CIN Configuration"), kCinBlockLeft, kBlockTop + 60,
                  kCinBlockRight - kCinBlockLeft, 300, "title");
    Label5->setObjectName(QStringLiteral("Label5"));
    text(QStringLiteral("input connection per stage"), kCinBlockLeft, kBlockTop + 330,
         kCinBlockRight - kCinBlockLeft, 240, "note");

    block(kCdcLeft, kCdcTop, kCdcRight - kCdcLeft, kCdcBottom - kCdcTop);
    text(QStringLiteral("16-Bit CDC"), kCdcLeft, kCdcTop + 90, kCdcRight - kCdcLeft, 300, "title");
    text(QStringLiteral("capacitance-to-digital\nconverter, 12 stages"), kCdcLeft, kCdcTop + 450,
         kCdcRight - kCdcLeft, 600, "note");

    block(kExcLeft, kExcTop, kExcRight - kExcLeft, kExcBottom - kExcTop);
    text(QStringLiteral("Excitation Source"), kExcLeft, kExcTop + 90, kExcRight - kExcLeft, 300,
         "title");

    block(kCalLeft, kBlockTop, kCalRight - kCalLeft, kCalBottom - kBlockTop);
    Label1 = text(QStringLiteral("Calibration Engine"), kCalLeft, kBlockTop + 60,
                  kCalRight - kCalLeft, 300, "title");
    Label1->setObjectName(QStringLiteral("Label1"));
    text(QStringLiteral("results per stage"), kCalLeft, kBlockTop + 330, kCalRight - kCalLeft, 240,
         "note");

    block(kRightLeft, kBlockTop, kRightRight - kRightLeft, kSerialBottom - kBlockTop);
    text(QStringLiteral("Serial Interface"), kRightLeft, kBlockTop + 60, kRightRight - kRightLeft,
         300, "title");
    text(QStringLiteral("control and\ndata registers"), kRightLeft, kBlockTop + 420,
         kRightRight - kRightLeft, 600, "note");

    block(kRightLeft, kIntTop, kRightRight - kRightLeft, kIntBottom - kIntTop);
    text(QStringLiteral("Interrupt and GPIO"), kRightLeft, kIntTop + 60, kRightRight - kRightLeft,
         300, "title");

    block(kRightLeft, kPowTop, kRightRight - kRightLeft, kCalBottom - kPowTop);
    text(QStringLiteral("Power Control"), kRightLeft, kPowTop + 60, kRightRight - kRightLeft, 300,
         "title");

    auto* chipName =
        text(QStringLiteral("CV5320"), kCdcLeft, 7350, kCdcRight - kCdcLeft, 450, "title");
    chipName->setStyleSheet(QStringLiteral("font-size: 18px; color: #34495e;"));

    // Pins. 0..12 and the bias and shield pins on the left, the host
    // interface pins on the right.
    for (int i = 0; i < 23; ++i) {
        QLabel* l;
        if (i == 15 || i == 16) {
            // Places in the array that name no pin of the diagram.
            l = new QLabel(this);
            l->hide();
        } else if (i <= 14) {
            const int y = i <= 12 ? cinPinY(i) : i == 13 ? kBiasY : kShieldY;
            l = text(QString::fromLatin1(kCinDesignLabels[i]), 45, y - 150, kChipLeft - 240, 300,
                     "pin", Qt::AlignRight | Qt::AlignVCenter);
        } else {
            l = text(QString(), kChipRight + 240, kIfPinY[i - 17] - 150, 1560, 300, "pin",
                     Qt::AlignLeft | Qt::AlignVCenter);
        }
        l->setObjectName(QStringLiteral("CinLbl_%1").arg(i));
        CinLbl[static_cast<size_t>(i)] = l;
    }
    const auto ifLabels = interfacePinLabels(HostInterface::None);
    for (int i = 0; i < 6; ++i)
        CinLbl[static_cast<size_t>(17 + i)]->setText(ifLabels[static_cast<size_t>(i)]);

    // Per-stage buttons, one row per stage in both blocks.
    for (int n = 0; n < reg::kStages; ++n) {
        const int y = kBlockTop + 690 + n * 510;
        MuxStage[n] = button(
            qPrintable(QStringLiteral("MuxStage%1").arg(n)), QStringLiteral("Stage %1").arg(n),
            twRect(kCinBlockLeft + 300, y, kCinBlockRight - kCinBlockLeft - 600, 420));
        RRStage[n] = button(qPrintable(QStringLiteral("RRStage%1").arg(n)),
                            QStringLiteral("Stage %1").arg(n),
                            twRect(kCalLeft + 300, y, kCalRight - kCalLeft - 600, 420));
        MuxStage[n]->setToolTip(QStringLiteral("Input connections and offsets of stage %1").arg(n));
        RRStage[n]->setToolTip(QStringLiteral("Thresholds and results of stage %1").arg(n));
        connect(MuxStage[n], &QPushButton::clicked, this, [this, n] { MuxStage_Click(n); });
        connect(RRStage[n], &QPushButton::clicked, this, [this, n] { RRStage_Click(n); });
    }

    // Dialog buttons inside the blocks they configure.
    const int rw = kRightRight - kRightLeft - 240;
    AdcCmd = button("AdcCmd", QStringLiteral("CDC &Converter"),
                    twRect(kCdcLeft + 150, kCdcBottom - 660, kCdcRight - kCdcLeft - 300, 480));
    ExciteSourceCmd =
        button("ExciteSourceCmd", QStringLiteral("Exci&tation Source"),
               twRect(kExcLeft + 150, kExcBottom - 660, kExcRight - kExcLeft - 300, 480));
    CmdAmbComp = button("CmdAmbComp", QStringLiteral("Ambient Compensation"),
                        twRect(kCalLeft + 150, kCalBottom - 660, kCalRight - kCalLeft - 300, 480));
    RegValCmd = button("RegValCmd", QStringLiteral("Setup &Registers"),
                       twRect(kRightLeft + 120, kSerialBottom - 660, rw, 480));
    CmdInt = button("CmdInt", QStringLiteral("Interrupt Confi&guration"),
                    twRect(kRightLeft + 120, kIntTop + 600, rw, 480));
    CmdIntStat = button("CmdIntStat", QStringLiteral("CDC &Status"),
                        twRect(kRightLeft + 120, kIntTop + 1200, rw, 480));
    CmdPowerControl = button("CmdPowerControl", QStringLiteral("&Power  Control"),
                             twRect(kRightLeft + 120, kCalBottom - 660, rw, 480));
    RegValCmd->setToolTip(QStringLiteral("Read, write, save and load the raw register values"));
    AdcCmd->setToolTip(QStringLiteral("Conversion results of all twelve stages"));
    CmdAmbComp->setToolTip(QStringLiteral("Calibration and ambient compensation settings"));

    // Host interface of the chip as the board reports it.
    auto frame = [this](const char* name, const char* heading, int height) {
        auto* f = new QFrame(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(twRect(kChipRight + 180, 5970, 2700, height));
        f->setFrameShape(QFrame::StyledPanel);
        auto* caption = new QLabel(QStringLiteral("CV5320 Configuration"), f);
        caption->setGeometry(twRect(90, 60, 2520, 300));
        caption->setProperty("role", QStringLiteral("title"));
        auto* h = new QLabel(QString::fromLatin1(heading), f);
        h->setGeometry(twRect(90, 420, 2520, 300));
        return f;
    };
    SpiFrm = frame("SpiFrm", "SPI Communication", 840);
    I2cFrm = frame("I2cFrm", "I2C Communication", 2640);
    auto i2cLabel = [this](const char* t, int x, int y, int w) {
        auto* l = new QLabel(QString::fromLatin1(t), I2cFrm);
        l->setGeometry(twRect(x, y, w, 300));
        return l;
    };
    i2cLabel("I2C Address", 90, 930, 1200);
    AddressCmb = new QComboBox(I2cFrm);
    AddressCmb->setObjectName(QStringLiteral("AddressCmb"));
    AddressCmb->setGeometry(twRect(1350, 870, 1080, 390));
    AddressCmb->setToolTip(QStringLiteral("I2C address of the CV5320 (hex)"));
    i2cLabel("ADD1", 90, 1560, 700);
    i2cLabel("ADD0", 90, 2100, 700);
    auto pinLevel = [this](const char* name, int y) {
        auto* t = new QLineEdit(I2cFrm);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(twRect(1350, y - 45, 780, 390));
        t->setReadOnly(true);
        t->setAlignment(Qt::AlignCenter);
        return t;
    };
    Add1Txt = pinLevel("Add1Txt", 1560);
    Add0Txt = pinLevel("Add0Txt", 2100);
    connect(AddressCmb, &QComboBox::activated, this, [this](int) { AddressCmb_Click(); });

    // Commands along the foot.
    const int footY = 9180;
    CmdInitReg = button("CmdInitReg", QStringLiteral("Initialise CIN Inputs"),
                        twRect(300, footY, 2700, 540));
    CmdInitReg->setToolTip(QStringLiteral(
        "This will tie all inputs to bias and set standard sensitivity and offset levels"));
    CmdEasySetup =
        button("CmdEasySetup", QStringLiteral("Easy Set&Up"), twRect(3150, footY, 2100, 540));
    CmdEasySetup->setToolTip(QStringLiteral("Resets All Registers To Initial Values"));
    GetAllOffsetsCmd = button("GetAllOffsetsCmd", QStringLiteral("Get all offsets"),
                              twRect(5400, footY, 2100, 540));
    GetOffsetsLed = new Led(this);
    GetOffsetsLed->setObjectName(QStringLiteral("GetOffsetsLed"));
    GetOffsetsLed->setGeometry(twRect(7590, footY + 120, 300, 300));
    CmdCreateConfig = button("CmdCreateConfig", QStringLiteral("Create Config File"),
                             twRect(8100, footY, 2550, 540));
    CmdCreateConfig->setToolTip(QStringLiteral(
        "This will create a configuration file based on the inputs and offsets selected in the "
        "Evaluation Software"));
    CmdExit = button("CmdExit", QStringLiteral("Close"), twRect(14025, footY, 2100, 540));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &DiagramFrm::Timer1_Timer);

    connect(CmdInitReg, &QPushButton::clicked, this, &DiagramFrm::CmdInitReg_Click);
    connect(CmdEasySetup, &QPushButton::clicked, this, &DiagramFrm::CmdEasySetup_Click);
    connect(GetAllOffsetsCmd, &QPushButton::clicked, this, &DiagramFrm::GetAllOffsetsCmd_Click);
    connect(CmdCreateConfig, &QPushButton::clicked, this, &DiagramFrm::CmdCreateConfig_Click);
    connect(CmdExit, &QPushButton::clicked, this, &DiagramFrm::CmdExit_Click);
    connect(CmdAmbComp, &QPushButton::clicked, this, &DiagramFrm::CmdAmbComp_Click);
    connect(CmdPowerControl, &QPushButton::clicked, this, &DiagramFrm::CmdPowerControl_Click);
    connect(ExciteSourceCmd, &QPushButton::clicked, this, &DiagramFrm::ExciteSourceCmd_Click);
    connect(CmdInt, &QPushButton::clicked, this, &DiagramFrm::CmdInt_Click);
    connect(CmdIntStat, &QPushButton::clicked, this, &DiagramFrm::CmdIntStat_Click);
    connect(AdcCmd, &QPushButton::clicked, this, &DiagramFrm::AdcCmd_Click);
    connect(RegValCmd, &QPushButton::clicked, this, &DiagramFrm::RegValCmd_Click);
}

QString DiagramFrm::inputWindowTitle(int stage)
{
    return QStringLiteral("Stage ") + QString::number(stage) +
           QStringLiteral(" Input Configuration");
}

QString DiagramFrm::resultsWindowTitle(int stage)
{
    return QStringLiteral("Sequencer Stage ") + QString::number(stage);
}

void DiagramFrm::Form_Load()
{
    CurrentStage = 0;
    int16_t status = 0;
    ReadRegisters(reg::board::BoardInterfaceWord, 1, TargetBoard, 0, status, Buffer.data());
    const int32_t word = Buffer[0];
    const HostInterface kind = hostInterfaceOf(word);
    SpiFrm->setVisible(kind == HostInterface::Spi);
    I2cFrm->setVisible(kind == HostInterface::I2c);
    if (kind != HostInterface::None) {
        const auto labels = interfacePinLabels(kind);
        for (int i = 0; i < 6; ++i)
            CinLbl[static_cast<size_t>(17 + i)]->setText(labels[static_cast<size_t>(i)]);
    }

    AddressCmb->blockSignals(true);
    AddressCmb->clear();
    AddressCmb->addItems(
        {QStringLiteral("2C"), QStringLiteral("2D"), QStringLiteral("2E"), QStringLiteral("2F")});
    AddressCmb->setCurrentIndex(word & 3);
    AddressCmb->blockSignals(false);
    // Selecting the item writes the same value back, as a user's choice would.
    AddressCmb_Click();

    Add0Txt->setText(addressPinText(word, 0));
    Add1Txt->setText(addressPinText(word, 1));

    CinLbl[14]->setText(pin8Label(ReadRegister(reg::PWR_CONTROL, TargetChip)));
}

void DiagramFrm::AddressCmb_Click()
{
    const int32_t word = (Buffer[0] & ~0x3) | (AddressCmb->currentIndex() & 3);
    WriteRegister(reg::board::BoardInterfaceWord, word, TargetBoard);
    // The read-back lands in the view's buffer: the next choice edits it.
    int16_t status = 0;
    ReadRegisters(reg::board::BoardInterfaceWord, 1, TargetBoard, 0, status, Buffer.data());
    Add0Txt->setText(addressPinText(Buffer[0], 0));
    Add1Txt->setText(addressPinText(Buffer[0], 1));
}

void DiagramFrm::CmdInitReg_Click()
{
    InitialiseCinInputs();
}

void DiagramFrm::CmdEasySetup_Click()
{
    RequestEasySetup();
}

void DiagramFrm::GetAllOffsetsCmd_Click()
{
    GetOffsetsLed->setOn(true);
    CalibrateAllStages();
    Timer1->setInterval(1000);
    Timer1->start();
}

void DiagramFrm::CmdCreateConfig_Click()
{
    CreateConfigFile();
}

void DiagramFrm::CmdExit_Click()
{
    close();
}

void DiagramFrm::CmdAmbComp_Click()
{
    showDialog<AmbCompFrm>();
}

void DiagramFrm::CmdPowerControl_Click()
{
    showDialog<PowControlFrm>();
}

void DiagramFrm::ExciteSourceCmd_Click()
{
    ExcitSourceFrm w(this);
    // The dialog tells what pin 8 carries once its floating mode changes.
    connect(&w, &ExcitSourceFrm::pin8CaptionChanged, CinLbl[14], &QLabel::setText);
    w.Form_Load();
    services().showModal(&w);
}

void DiagramFrm::CmdInt_Click()
{
    showDialog<InterruptFrm>();
}

void DiagramFrm::CmdIntStat_Click()
{
    showDialog<IntStatFrm>();
}

void DiagramFrm::AdcCmd_Click()
{
    // The converter results window streams; it opens only once the board has
    // switched to that mode.
    if (!AwaitStageSelect(reg::board::StreamResults))
        return;
    showDialog<AdcFrm>();
}

void DiagramFrm::RegValCmd_Click()
{
    showDialog<RegCtrlFrm>();
}

void DiagramFrm::prepareInputStage(int stage)
{
    CurrentStage = static_cast<int16_t>(stage);
    WriteRegister(reg::board::BoardStageSelect, inputWindowStageSelect(stage), TargetBoard);
    StageInputSetup = stageInputSetupFor(stage);
}

void DiagramFrm::prepareResultsStage(int stage)
{
    CurrentStage = static_cast<int16_t>(stage);
    WriteRegister(reg::board::BoardStageSelect, resultsWindowStageSelect(stage), TargetBoard);
    StageResultsSetup = stageResultsSetupFor(stage);
}

void DiagramFrm::MuxStage_Click(int Index)
{
    prepareInputStage(Index);
    showStageWindow<InputMuxFrm>(inputWindowTitle(Index));
}

void DiagramFrm::RRStage_Click(int Index)
{
    prepareResultsStage(Index);
    showStageWindow<RRTabStageFrm>(resultsWindowTitle(Index));
}

void DiagramFrm::Timer1_Timer()
{
    Timer1->stop();
    GetOffsetsLed->setOn(false);
}

namespace {
void arrow(QPainter& p, QPoint from, QPoint to)
{
    p.drawLine(from, to);
    const QLineF line(to, from);
    const double a = line.angle() * M_PI / 180.0;
    const double s = 7.0;
    QPolygonF head;
    head << QPointF(to) << QPointF(to) + QPointF(std::cos(a + 0.4) * s, -std::sin(a + 0.4) * s)
         << QPointF(to) + QPointF(std::cos(a - 0.4) * s, -std::sin(a - 0.4) * s);
    p.drawPolygon(head);
}

void pin(QPainter& p, int x, int y)
{
    p.drawRect(QRect(tw(x) - 4, tw(y) - 4, 8, 8));
}
} // namespace

void DiagramFrm::paintDrawing(QPainter& p)
{
    // The package.
    p.setPen(QPen(QColor(0x34, 0x49, 0x5e), 2));
    p.setBrush(QColor(0xe8, 0xed, 0xf3));
    p.drawRoundedRect(QRect(twPt(kChipLeft, kChipTop), twPt(kChipRight, kChipBottom)), 6, 6);

    const QColor ink(0x34, 0x49, 0x5e);
    p.setPen(QPen(ink, 1.2));
    p.setBrush(ink);

    // Sensor inputs into the switch matrix.
    for (int i = 0; i < reg::kInputs; ++i) {
        pin(p, kChipLeft, cinPinY(i));
        p.drawLine(twPt(kChipLeft, cinPinY(i)), twPt(kCinBlockLeft, cinPinY(i)));
    }
    // Bias feeds the matrix from below; the shield or source pin comes from
    // the excitation source.
    pin(p, kChipLeft, kBiasY);
    const int biasX = (kCinBlockLeft + kCinBlockRight) / 2;
    p.drawLine(twPt(kChipLeft, kBiasY), twPt(biasX, kBiasY));
    arrow(p, twPt(biasX, kBiasY), twPt(biasX, kCinBlockBottom));
    pin(p, kChipLeft, kShieldY);
    const int shieldX = (kCinBlockRight + kExcLeft) / 2;
    const int excMidY = (kExcTop + kExcBottom) / 2;
    p.drawLine(twPt(kExcLeft, excMidY), twPt(shieldX, excMidY));
    p.drawLine(twPt(shieldX, excMidY), twPt(shieldX, kShieldY));
    arrow(p, twPt(shieldX, kShieldY), twPt(kChipLeft, kShieldY));

    // Signal path: matrix -> converter -> calibration engine.
    const int cdcMidY = (kCdcTop + kCdcBottom) / 2;
    QPen bus(ink, 3);
    p.setPen(bus);
    arrow(p, twPt(kCinBlockRight, cdcMidY), twPt(kCdcLeft, cdcMidY));
    arrow(p, twPt(kCdcRight, cdcMidY), twPt(kCalLeft, cdcMidY));
    // Excitation drives the converter.
    const int cdcMidX = (kCdcLeft + kCdcRight) / 2;
    arrow(p, twPt(cdcMidX, kExcTop), twPt(cdcMidX, kCdcBottom));
    // Results and thresholds go to the registers and the interrupt logic.
    p.setPen(QPen(ink, 1.2));
    arrow(p, twPt(kCalRight, (kBlockTop + kSerialBottom) / 2),
          twPt(kRightLeft, (kBlockTop + kSerialBottom) / 2));
    arrow(p, twPt(kCalRight, (kIntTop + kIntBottom) / 2),
          twPt(kRightLeft, (kIntTop + kIntBottom) / 2));

    // Host interface pins.
    for (int i = 0; i < 6; ++i) {
        const int y = kIfPinY[i];
        pin(p, kChipRight, y);
        p.drawLine(twPt(kRightRight, y), twPt(kChipRight, y));
    }
}

} // namespace cv
