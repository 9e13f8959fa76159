#include "../config/DialogProbe.h"
#include "config/AmbientCompensation.h"
#include "demo/ui/DemoWidgets.h"
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/KeyPicture.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "sim/SensorBoard.h"
#include "support/Captions.h"
#include "support/SimRig.h"
#include "widgets/StripChart.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <gtest/gtest.h>
#include <memory>

using namespace cv;
using namespace cv::test;

namespace {
struct Demo {
    SimRig rig;
    std::unique_ptr<EvalBoardFrm> w;

    explicit Demo(int id, bool quiet = true) : rig(quiet ? noFinger(id) : sim::SimConfig{id})
    {
        w.reset(createEvalBoardFrm(id));
    }
    // A finger script in place of the one the board started with.
    Demo(int id, const char* script) : Demo(id)
    {
        auto& sensors = rig.board->sensors();
        sensors.setScenario(
            *sim::Scenario::parse(QString::fromLatin1(script), sensors.board(), nullptr));
    }
    // Loaded and armed on the given tab, the records cleared.
    void open(DemoTab tab = DemoTab::Demo)
    {
        w->Form_Load();
        {
            QSignalBlocker b(w->tabs());
            w->tabs()->setCurrentIndex(int(tab));
        }
        rig.clearRecords();
        w->Timer1_Timer();
    }
    void passes(int n)
    {
        for (int i = 0; i < n; ++i) {
            w->DemoTimer_Timer();
            rig.services.sleepMs(std::max(1, w->demoTimer()->interval()));
        }
    }
    void choose(DemoTab tab) { w->tabs()->setCurrentIndex(int(tab)); }
    int readsOf(int address) const
    {
        const auto r = rig.reads();
        return int(std::count_if(r.begin(), r.end(), [&](auto a) { return a.first == address; }));
    }
};
} // namespace

// Board 1, the one with start-up words of its own; which window each board
// gets is FixedTexts' (its controls differ by board).
TEST(EvalBoardFrm, TheMainWindowOpensTheBoardsDemoWhichWritesOnlyItsStartUpWords)
{
    SimRig rig{noFinger(1), false};
    CV5320TopLevelFrm top(rig.access(), rig.appFolder.path(), QString());
    top.Form_Load();
    top.Form_Resize();
    WriteRegister(reg::board::BoardControlWord, 0x0008, TargetBoard); // continuous, autoscroll
    rig.clearRecords();
    bool ran = false;
    rig.services.onModal = [&](QObject* o) {
        auto* w = qobject_cast<EvalBoardFrm*>(o);
        ASSERT_TRUE(w);
        EXPECT_EQ(rig.writes().size(), 3u); // the start-up words
        EXPECT_EQ(w->iconCount(), 28);
        // Handlers before arming write nothing.
        rig.clearRecords();
        w->PowModeCmb_Click();
        w->CmdResetConv_Click();
        w->BtnIntEnModeChk_Click();
        EXPECT_TRUE(rig.writes().empty());
        w->Form_Resize(); // as showing it does: the start 250 ms later
        EXPECT_EQ(w->timer1()->interval(), 250);
        w->Timer1_Timer();
        ran = w->demoRunning() && w->loop().tab() == DemoTab::Demo;
    };
    top.CmdDemo_Click();
    EXPECT_EQ(rig.services.modalWindows, std::vector<QString>{"cv::EvalBoard2Frm"});
    EXPECT_TRUE(ran);
}

TEST(EvalBoardFrm, SliderTabShowsTheBoardsWordsAndScalesItsChart)
{
    // The box of the absolute position, its trace and the chart's traces.
    for (const auto& [id, absBox, absTrace, traces] : {std::tuple{1, "AbsPositionTxt", 0, 1},
                                                       {58, "AbsolutePosTxt", 4, 5},
                                                       {70, "AbsolutePos", 1, 2}}) {
        SCOPED_TRACE(id);
        Demo d(id, false); // the built-in scenario slides along the slider
        d.open(DemoTab::Slider);
        auto* chart = child<StripChart>(*d.w, id == 1 ? "AbsolutePosPlot" : "SliderPlot");
        if (id == 58) {
            // 128 positions, weight 50, displacement factor 100 at start.
            EXPECT_EQ(chart->upperBound(2), 138);
            EXPECT_EQ(chart->outerUpperBound(2), 153);
            EXPECT_EQ(chart->upperBound(0), 1000);
            EXPECT_EQ(chart->lowerBound(1), -200);
            EXPECT_EQ(chart->upperBound(1), 300);
            child<QLineEdit>(*d.w, "WeightFactorTxt")->setText("10");
            d.w->ParameterTxt_Change(1);
            EXPECT_EQ(chart->upperBound(0), 200);
        } else if (id == 70) {
            EXPECT_EQ(chart->upperBound(1), 138); // the position from its 128 positions
            EXPECT_EQ(chart->upperBound(0), 300); // the displacement from its factor
        }
        // A firm touch fills the gauges to 60 to 90 %, never to the end.
        int highest = 0;
        for (int i = 0; i < 400; ++i) {
            d.passes(1);
            for (auto* g : d.w->findChildren<QProgressBar*>())
                highest = std::max(highest, g->value() * 100 / g->maximum());
        }
        EXPECT_GE(highest, 60);
        EXPECT_LE(highest, 90);
        ASSERT_GT(chart->pointCount(0), 0);
        EXPECT_EQ(textValue(child<QLineEdit>(*d.w, absBox)->text()), chart->point(absTrace, 0));
        EXPECT_EQ(chart->traceCount(), traces);
    }
}

// Each board's window loaded against its fixture. A fast filter skip of 13
// is beyond the list, which then shows its last item.
TEST(EvalBoardFrm, FixedTexts)
{
    for (int id : {1, 58, 70}) {
        Demo d(id);
        d.rig.board->chip().poke(0x002, 0x024D);
        d.w->Form_Load();
        expectCaptions(*d.w, QStringLiteral("demo/fixtures/%1.captions.txt")
                                 .arg(QLatin1String(demoVariantFor(id)->className)));
        EXPECT_EQ(child<QComboBox>(*d.w, "SkipCtrlCmb")->currentText(), " 12");
    }
}

TEST(EvalBoardFrm, ControlTabSettingsLeaveTheLoopRunningAndATabChangeEndsIt)
{
    Demo d(58);
    d.rig.board->chip().poke(0x001, 0x0FFF); // FP skip 0 ("3")
    d.w->Form_Load();
    WriteRegister(reg::board::BoardControlWord, 0, TargetBoard);
    d.choose(DemoTab::Slider); // not armed yet: nothing runs
    EXPECT_FALSE(d.w->demoRunning());
    d.w->Timer1_Timer();
    ASSERT_TRUE(d.w->demoRunning());
    d.passes(5);
    d.rig.clearRecords();
    d.choose(DemoTab::Control);
    EXPECT_TRUE(d.w->demoRunning());
    // The Control tab's refresh: 0x017, then 0x000..0x007, and no write.
    EXPECT_EQ(d.rig.reads(), (std::vector<std::pair<int, int>>{{0x017, 1}, {0x000, 8}}));
    EXPECT_TRUE(d.rig.writes().empty());
    d.rig.clearRecords();
    d.passes(10);
    EXPECT_GT(d.readsOf(0x00B), 0);
    // A settings change in between is its own read-modify-write.
    child<QComboBox>(*d.w, "ConvStartCmb")->setCurrentIndex(3);
    d.w->ConvStartCmb_Click();
    EXPECT_EQ(d.rig.board->chip().peek(0x000) & 0x000C, 0x000C);
    EXPECT_TRUE(d.w->demoRunning());
    // Continuous reporting: the board's word, then the demo mode's handshake.
    child<QCheckBox>(*d.w, "BtnIntEnModeChk")->setChecked(false);
    d.rig.clearRecords();
    d.w->BtnIntEnModeChk_Click();
    EXPECT_EQ(child<QLabel>(*d.w, "BtnIntEnModeLbl")->text(), "Continuous");
    const auto w = d.rig.writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(std::pair(w[0].address, w[0].value & 2), std::pair(7, 0));
    EXPECT_EQ(std::pair(w[1].address, w[1].value), std::pair(0x00A, 0x0D00));
    // Typing into a settings list picks the item (by the decoder's
    // type-ahead rule), writes it and the frame caption follows.
    auto* box = child<QComboBox>(*d.w, "FullPowSkipCmb");
    ASSERT_EQ(box->currentText(), "3");
    d.rig.clearRecords();
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_1, Qt::NoModifier);
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(d.rig.writes().size(), 1u);
    EXPECT_EQ(d.rig.writesTo(0x001), std::vector{0x2FFF}); // field value 2, the stage bits as read
    EXPECT_EQ(child<QGroupBox>(*d.w, "RegFrame_1")->title(),
              "Stage Calibration Enable 0x01: 2FFFh");
    // Force calibration: its read and write now, the refresh later.
    d.rig.clearRecords();
    d.w->CmdForceCal_Click();
    ASSERT_EQ(d.rig.registerOps().size(), 2u);
    EXPECT_EQ(d.rig.writes().at(0).value & 0x4000, 0x4000);
    EXPECT_TRUE(d.w->findChild<QTimer*>("Timer2")->isActive());
    d.w->Timer2_Timer();
    EXPECT_EQ(d.rig.registerOps().back().count, 5);

    // The JoyPad tab ends the Slider loop (its 0x017 read) before its own start.
    d.choose(DemoTab::JoyPad);
    EXPECT_EQ(d.w->loop().tab(), DemoTab::JoyPad);

    // Closing ends the loop and reads 0x017 once more.
    d.rig.clearRecords();
    d.w->cmdClose_Click();
    EXPECT_FALSE(d.w->demoRunning());
    EXPECT_EQ(d.readsOf(0x017), 2);
    d.passes(3);
    EXPECT_EQ(d.rig.registerOps().size(), 2u);
}

TEST(EvalBoardFrm, ShutdownModeRefusesEveryLiveTab)
{
    Demo d(1);
    d.rig.board->chip().poke(0x000, 0x00B3);
    d.open(DemoTab::Demo);
    EXPECT_FALSE(d.w->chipConverting());
    EXPECT_FALSE(d.w->demoRunning());
    ASSERT_EQ(d.rig.services.messages.size(), 1u);
    EXPECT_EQ(d.rig.services.messages[0].text, "CV5320 is in Shutdown Mode. No Results Available");
    EXPECT_EQ(d.rig.services.messages[0].icon, MsgIcon::None);
    EXPECT_TRUE(d.rig.writes().empty()); // no mode switched
    d.choose(DemoTab::Slider);
    EXPECT_EQ(d.rig.services.messages.size(), 2u);
    // Low Power converts again; either "Shutdown Mode" item stops it.
    auto* mode = child<QComboBox>(*d.w, "PowModeCmb");
    mode->setCurrentIndex(2);
    d.w->PowModeCmb_Click();
    EXPECT_TRUE(d.w->chipConverting());
    mode->setCurrentIndex(1);
    d.w->PowModeCmb_Click();
    EXPECT_FALSE(d.w->chipConverting());
    mode->setCurrentIndex(2);
    d.w->PowModeCmb_Click();
    d.choose(DemoTab::Demo);
    EXPECT_TRUE(d.w->demoRunning());
    EXPECT_EQ(d.rig.services.messages.size(), 2u);
}

// The fixture's entries in turn, each with what it did.
TEST(EvalBoardFrm, NumberBoxesRefuseTextsOutOfRangeAndWriteTheRest)
{
    Demo d(58);
    d.open(DemoTab::Control);
    expectCases(QStringLiteral("demo/fixtures/number_boxes.txt"), [&](const QString& entry) {
        auto* box = child<QLineEdit>(*d.w, entry.section(' ', 0, 0));
        d.rig.clearRecords();
        d.rig.services.messages.clear();
        box->setText(entry.section(' ', 1));
        if (box->objectName() == "PosRatioTxt")
            emit box->returnPressed();
        else
            emit box->textEdited(box->text());
        QString did;
        for (const auto& w : d.rig.writes())
            did += QStringLiteral("writes %1 0x%2 = %3, ")
                       .arg(w.target == TargetChip ? "chip" : "board")
                       .arg(w.address, 3, 16, QLatin1Char('0'))
                       .arg(w.value);
        for (const auto& m : d.rig.services.messages)
            did += "says \"" + m.text + "\", ";
        return did + "shows \"" + box->text() + "\", tip \"" + box->toolTip() + '"';
    });
    EXPECT_EQ(d.rig.board->chip().peek(0x003) & 0x3FFF, 0x3FFF);
    EXPECT_EQ(d.rig.board->chip().peek(0x004), 0xFFFF);
}

// Red while the loop settles, then the first press after the start: lit,
// one click, one step (the click rule itself is the decoder's); then the
// slider's tick.
TEST(EvalBoardFrm, DemoTabLightsTheKeyClicksStepsTheListAndMarksTheTick)
{
    Demo d(58, "300 press down\n600 release down\n1000 slide 100 100 5000\n");
    d.open(DemoTab::Demo);
    child<QCheckBox>(*d.w, "PlaySoundEnableChk")->setChecked(true);
    d.w->PlaySoundEnableChk_Click();
    EXPECT_EQ(child<QLabel>(*d.w, "PlaySoundEnableLbl")->text(), "ON");
    auto* down = child<KeyPicture>(*d.w, "GoDownPic_0");
    bool sawPressed = false;
    while (d.rig.board->scenarioMs() < 900) {
        if (d.w->loop().blockCounter() < demoVariantFor(58)->showFrom[0]) // settling
            EXPECT_EQ(down->backColor(), KeyPicture::initialColor());
        d.passes(1);
        sawPressed |= down->backColor() == KeyPicture::pressedColor();
    }
    EXPECT_TRUE(sawPressed);
    ASSERT_EQ(d.rig.services.sounds.size(), 1u);
    EXPECT_TRUE(d.rig.services.sounds[0].endsWith("/click.Wav"));
    EXPECT_EQ(child<QListWidget>(*d.w, "SubMenuLst")->currentRow(), 1);
    EXPECT_EQ(down->backColor(), KeyPicture::releasedColor());

    // A resting finger: only size and colour mark its position's tick.
    while (d.rig.board->scenarioMs() < 2000)
        d.passes(1);
    const int selected = tickIndex(int(textValue(child<QLineEdit>(*d.w, "PositionTxt")->text())));
    ASSERT_GT(selected, 0);
    auto tick = [&](int i) {
        return child<DemoShape>(*d.w, QStringLiteral("CrossVTic2Shp_%1").arg(i));
    };
    for (int i = 0; i < kTicks; ++i) {
        EXPECT_EQ(tick(i)->fillColor(), i == selected ? QColor(0, 0, 255) : QColor(192, 192, 192));
        EXPECT_EQ(tick(i)->height(), i == selected ? 2 * tw(35) : 2 * tw(25));
    }
    d.w->Timer1_Timer(); // a start turns every shape white, the ticks included
    EXPECT_EQ(tick(selected)->fillColor(), QColor(Qt::white));
}

TEST(EvalBoardFrm, JoyPadKeysMoveTheCursorAndTheCentreKeyZooms)
{
    Demo d(58, "300 press up\n600 release up\n1200 press right\n1600 release right\n"
               "2200 press centre\n2600 release centre\n");
    d.open(DemoTab::JoyPad);
    while (d.rig.board->scenarioMs() < 2000)
        d.passes(1);
    EXPECT_EQ(d.w->decoderState().col, 1);
    EXPECT_TRUE(child<QLabel>(*d.w, "ZoomPic")->pixmap().isNull());
    while (d.rig.board->scenarioMs() < 2500)
        d.passes(1);
    EXPECT_FALSE(child<QLabel>(*d.w, "ZoomPic")->pixmap().isNull());
    // The cursor stays where it was when the tab starts again.
    d.choose(DemoTab::Demo);
    d.choose(DemoTab::JoyPad);
    EXPECT_EQ(d.w->decoderState().col, 1);
}

namespace {
// A style without pictures: the JoyPad grid has nothing to show.
class NoIconStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap, const QStyleOption*, const QWidget*) const override
    {
        return {};
    }
};
} // namespace

TEST(EvalBoardFrm, WithoutIconsTheGridStaysEmptyAfterItsMessage)
{
    const QString styleName = QApplication::style()->name();
    QApplication::setStyle(new NoIconStyle);
    Demo d(58);
    d.w->Form_Load();
    QApplication::setStyle(styleName);
    EXPECT_EQ(d.w->iconCount(), 0);
    ASSERT_EQ(d.rig.services.messages.size(), 1u);
    EXPECT_TRUE(d.rig.services.messages[0].text.endsWith("has not icons."));
}

TEST(EvalBoardFrm, AResizeRestartsTheShowingTab)
{
    Demo d(70);
    d.open(DemoTab::Slider);
    d.passes(5);
    d.rig.clearRecords();
    d.w->Form_Resize();
    EXPECT_TRUE(d.w->timer1()->isActive());
    EXPECT_TRUE(d.rig.registerOps().empty()); // nothing until the timer fires
    d.w->Timer1_Timer();
    EXPECT_EQ(d.readsOf(0x017), 2); // the old loop's end, the new start
    EXPECT_EQ(d.w->loop().blockCounter(), 0);
    // Larger, the chart takes the room and Close keeps to the bottom right.
    auto* chart = child<StripChart>(*d.w, "SliderPlot");
    auto* close = child<QPushButton>(*d.w, "cmdClose");
    const QSize chartBefore = chart->size();
    const QPoint fromCorner = QPoint(d.w->width(), d.w->height()) - close->pos();
    d.w->show();
    d.w->resize(d.w->width() + 200, d.w->height() + 100);
    EXPECT_EQ(chart->size(), chartBefore + QSize(200, 100));
    EXPECT_EQ(QPoint(d.w->width(), d.w->height()) - close->pos(), fromCorner);
    // Minimising or restoring changes no size but restarts the tab too.
    d.w->timer1()->stop();
    QWindowStateChangeEvent restored(Qt::WindowMinimized);
    QApplication::sendEvent(d.w.get(), &restored);
    EXPECT_TRUE(d.w->timer1()->isActive());
}
