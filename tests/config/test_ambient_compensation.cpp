// Ambient compensation: the timings and number rules, then the window.
#include "DialogProbe.h"
#include "config/AmbientCompensation.h"
#include "config/ui/AmbCompFrm.h"

#include <QTest>
#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
using Fields = std::vector<std::pair<RegField, int32_t>>;

AmbientTimings timingsOf(const Fields& fields)
{
    int32_t r[5] = {0, 0, 0, 0, 0};
    for (const auto& [f, v] : fields)
        r[f.address] = f.with(r[f.address], v);
    return ambientTimings(r);
}

// NM fast, slow, proximity, recalibration, power down; LP fast, slow,
// proximity, recalibration.
std::string nine(const AmbientTimings& t)
{
    return QStringList{t.NMFastUp, t.NMSlowUp, t.NMProxTim, t.NMRecalTim, t.NMPowDown,
                       t.LPFastUp, t.LPSlowUp, t.LPProxTim, t.LPRecalTim}
        .join(' ')
        .toStdString();
}

struct AmbComp : ::testing::Test {
    SimRig rig;
    sim::ChipModel& chip() { return rig.board->chip(); }
};
} // namespace

TEST(AmbientTimings, RegisterFieldsToTheNineTexts)
{
    using namespace field;
    const std::pair<Fields, const char*> cases[] = {
        // One stage at full decimation: 3.072 ms a sequence. The power-down
        // time builds on the shown proximity time (1.25 x 0.0492).
        {{}, "3.07ms 9.22ms 0.0492s 0.0461s 0.0615s 203.07ms 203.07ms 1.0123s 0.8123s"},
        {{{PWR_DOWN_TIMEOUT, 1}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0738s 203.07ms 203.07ms 1.0123s 0.8123s"},
        {{{PWR_DOWN_TIMEOUT, 3}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0984s 203.07ms 203.07ms 1.0123s 0.8123s"},
        // Twelve stages: 36.864 ms; recalibration counts as 15.
        {{{SEQUENCE_STAGE_NUM, 11}},
         "36.86ms 110.59ms 0.5898s 0.5530s 0.7373s 236.86ms 236.86ms 1.1475s 0.9475s"},
        // Low power: 800 ms delay, skip 3, largest counts.
        {{{LP_CONV_DELAY, 3}, {AVG_LP_SKIP, 3}, {LP_PROXIMITY_CNT, 15}, {LP_PROXIMITY_RECAL, 63}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0615s 803.07ms 3212.29ms 48.9843s 202.3741s"},
        // Largest full-power numbers: the masks grow without padding.
        {{{SEQUENCE_STAGE_NUM, 11},
          {FF_SKIP_CNT, 11},
          {AVG_FP_SKIP, 3},
          {FP_PROXIMITY_RECAL, 1023}},
         "442.37ms 13713.41ms 7.0779s 452.5425s 8.8474s 236.86ms 236.86ms 1.1475s 0.9475s"},
    };
    for (const auto& [fields, want] : cases)
        EXPECT_EQ(nine(timingsOf(fields)), want);
}

TEST(AmbientTimings, FieldValuesThatCountAsOthers)
{
    using namespace field;
    struct Case {
        RegField f;
        int32_t a, b;
        bool same;
    };
    // Each clamp one past its edge; the values beyond count the same way.
    // clang-format off
    const Case cases[] = {
        {DECIMATION, 3, 2, true}, {DECIMATION, 1, 2, false}, {SEQUENCE_STAGE_NUM, 12, 11, true},
        {FF_SKIP_CNT, 12, 11, true}, {FF_SKIP_CNT, 10, 11, false}, {FP_PROXIMITY_CNT, 0, 1, true},
        {LP_PROXIMITY_CNT, 0, 1, true}, {LP_PROXIMITY_RECAL, 0, 1, true},
        {FP_PROXIMITY_RECAL, 14, 15, true}, {FP_PROXIMITY_RECAL, 16, 15, false},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(nine(timingsOf({{c.f, c.a}})) == nine(timingsOf({{c.f, c.b}})), c.same)
            << c.f.mask << ' ' << c.a << ' ' << c.b;
}

TEST(NumberFieldRules, NearestIntegerWithinTheRangeIsAccepted)
{
    struct Case {
        const NumberFieldRule& rule;
        const char* text;
        std::optional<int32_t> accepted;
    };
    // The messages say "under 255" and "under 63"; those values still pass.
    const Case cases[] = {
        {fastRateRule(), "255", 255},      {fastRateRule(), "256", {}},
        {filtCompRule(), "63", 63},        {lowPowCtrlRule(), "64", {}},
        {fullPowCtrlRule(), "1023", 1023}, {fullPowCtrlRule(), "1024", {}},
        {fullPowCtrlRule(), "-1", {}},     {fastRateRule(), "255.4", 255},
        {fastRateRule(), "255.5", {}},     {filtCompRule(), "-0.4", 0},
        {filtCompRule(), "abc", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(acceptedNumber(c.rule, QString::fromLatin1(c.text)), c.accepted) << c.text;
}

TEST_F(AmbComp, LoadingShowsEveryFieldAndNothingIsWrittenBeforeItIsArmed)
{
    chip().poke(0x000, 0x00B0); // twelve stages
    chip().poke(0x001, 0x6805); // LP skip 1, FP skip 2, stages 0, 2 and 11
    chip().poke(0x002, 0x25A3); // timeout 2, LP count 5, FP count 10, skip 3
    chip().poke(0x003, 0xC5FE); // slow FIFO 3, rate 5, level 254
    chip().poke(0x004, 0xFFFF); // LP recal 63, FP recal 1023
    AmbCompFrm w;
    w.Form_Load();
    // One read of registers 1 to 4 first.
    EXPECT_EQ(rig.registerOps().at(0), (RegisterOp{false, TargetChip, 0x001, 4, 0, 0}));
    EXPECT_TRUE(rig.writes().empty());
    EXPECT_EQ(w.timer1()->interval(), 250);
    EXPECT_TRUE(w.timer1()->isActive());
    // Sequence 36.864 ms: the fast update of four periods (FF_SKIP_CNT 3) 147.46ms.
    expectShown(w, "config/fixtures/AmbCompFrm.loaded.txt");

    rig.clearRecords();
    w.SkipCtrlCmb_Click();
    w.RRDataPathChk_Click(0);
    w.FastRateTxt_KeyPress(13);
    EXPECT_TRUE(rig.registerOps().empty());
    // The command buttons act at once; only their refresh waits for the arming.
    w.CmdForceCal_Click();
    EXPECT_EQ(rig.writesTo(0x002), std::vector<int>{0x65A3});
    EXPECT_FALSE(w.timer2()->isActive());
}

TEST_F(AmbComp, ListsBoxesAndCommandsKeepTheOtherBitsAsTheChipHoldsThem)
{
    AmbCompFrm w;
    loadArmed(rig, w);
    struct Case {
        const char* list;
        void (AmbCompFrm::*click)();
        int address, before, index, after;
    };
    const Case cases[] = {
        {"FullPowSkipCmb", &AmbCompFrm::FullPowSkipCmb_Click, 0x001, 0xCFFF, 3, 0xFFFF},
        {"LowPowSkipCmb", &AmbCompFrm::LowPowSkipCmb_Click, 0x001, 0x0123, 2, 0x8123},
        {"SkipCtrlCmb", &AmbCompFrm::SkipCtrlCmb_Click, 0x002, 0xFFF0, 9, 0xFFF9},
        {"FullProxTimeCmb", &AmbCompFrm::FullProxTimeCmb_Click, 0x002, 0xFFFF, 0, 0xFF0F},
        {"LowProxTimeCmb", &AmbCompFrm::LowProxTimeCmb_Click, 0x002, 0xC00F, 15, 0xCF0F},
        {"PowDownCmb", &AmbCompFrm::PowDownCmb_Click, 0x002, 0xCFFF, 2, 0xEFFF},
        {"SlowFifoCmb", &AmbCompFrm::SlowFifoCmb_Click, 0x003, 0x3FFF, 1, 0x7FFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        chip().poke(c.address, c.before); // another writer, after loading
        rig.clearRecords();
        child<QComboBox>(w, c.list)->setCurrentIndex(c.index);
        (w.*c.click)();
        EXPECT_EQ(rig.writesTo(c.address), std::vector<int>{c.after});
        // Register display and timings follow: one read of registers 0..4.
        EXPECT_EQ(rig.registerOps().back(), (RegisterOp{false, TargetChip, 0, 5, 0, 0}));
    }
    EXPECT_EQ(shownValue(w, "Lab3"), 0x7FFF);

    chip().poke(0x001, 0xB0F0);
    rig.clearRecords();
    for (int i = 0; i < 12; ++i)
        child<QCheckBox>(w, QStringLiteral("RRDataPathChk_%1").arg(i))->setChecked(i == 1);
    w.RRDataPathChk_Click(1);
    // Bits 11..0 from the boxes, bits 15..12 as read.
    EXPECT_EQ(rig.writesTo(0x001), std::vector<int>{0xB002});

    // The command bits show at once and the chip's answer after their timer.
    chip().poke(0x002, 0x0123);
    const std::pair<void (AmbCompFrm::*)(), int> commands[] = {
        {&AmbCompFrm::CmdForceCal_Click, 14}, {&AmbCompFrm::CmdResetConv_Click, 15}};
    for (const auto& [click, bit] : commands) {
        rig.clearRecords();
        (w.*click)();
        const QString label = QStringLiteral("ContrReg1Lbl_%1").arg(bit);
        EXPECT_EQ(shownText(w, label), "1");
        EXPECT_EQ(rig.writesTo(0x002), std::vector<int>{0x0123 | (1 << bit)});
        EXPECT_EQ(w.timer2()->interval(), 500);
        // The chip clears the bit once it has acted.
        rig.services.virtualClock().advanceMs(500);
        w.Timer2_Timer();
        EXPECT_EQ(shownText(w, label), "0");
        EXPECT_EQ(shownValue(w, "Lab2"), 0x123);
        EXPECT_FALSE(w.timer2()->isActive());
    }
}

TEST_F(AmbComp, NumberFieldsTakeTheirEnterAndRefuseWithTheirMessage)
{
    chip().poke(0x002, 0x0000);
    chip().poke(0x003, 0xC000);
    chip().poke(0x004, 0xFC05);
    AmbCompFrm w;
    w.show();
    loadArmed(rig, w);
    child<QLineEdit>(w, "FullPowCtrlTxt")->setText("1024");
    w.FullPowCtrlTxt_KeyPress(65); // only Enter acts
    EXPECT_TRUE(rig.registerOps().empty());

    // The range edges themselves are the rules' own test. A refused value is
    // written back unchanged and the field shows the register's bits again.
    struct Case {
        const char* name;
        const char* text;
        int address, after;
        const char* shown;
    };
    const Case cases[] = {
        {"FullPowCtrlTxt", "1024", 4, 0xFC05, "5"}, {"FullPowCtrlTxt", " 700.4", 4, 0xFEBC, "700"},
        {"FastRateTxt", "256", 3, 0xC000, "0"},     {"FastRateTxt", "42", 3, 0xC02A, "42"},
        {"FiltCompTxt", "63", 3, 0xFF2A, "63"},     {"LowPowCtrlTxt", "64", 4, 0xFEBC, "63"},
        {"LowPowCtrlTxt", "0", 4, 0x02BC, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        rig.clearRecords();
        auto* f = child<QLineEdit>(w, c.name);
        f->setFocus();
        f->setText(c.text);
        QTest::keyClick(f, Qt::Key_Return);
        // One write: Enter presses no button (no FORCE_CAL, no CONV_RESET).
        EXPECT_EQ(rig.writes().size(), 1u);
        EXPECT_EQ(rig.writesTo(c.address), std::vector<int>{c.after});
        EXPECT_EQ(f->text(), c.shown);
    }
    EXPECT_EQ(shownValue(w, "Lab4"), 0x02BC);
    const auto& m = rig.services.messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].text, "Value must be a decimal number under 1024");
    EXPECT_EQ(m[0].title, "Input Error");
    EXPECT_EQ(m[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(m[1].text, "Value must be a decimal number under 255");
    EXPECT_EQ(m[1].title, kAppTitle);
    EXPECT_EQ(m[1].icon, MsgIcon::None);
    EXPECT_EQ(m[2].text, "Value must be a decimal number under 64");
}
