#include "DialogProbe.h"
#include "config/ui/DiagramFrm.h"
#include "config/ui/ExcitSourceFrm.h"
#include "link/RegMap.h"

#include <QCheckBox>
#include <QPushButton>

using namespace cv;
using namespace cv::test;

TEST(DialogButtons, EachOpensItsDialogModallyAndLoadingWritesNothing)
{
    SimRig rig;
    DiagramFrm d;
    struct Case {
        const char* button;
        void (DiagramFrm::*click)();
        const char* window;
    };
    const Case cases[] = {
        {"CmdAmbComp", &DiagramFrm::CmdAmbComp_Click, "cv::AmbCompFrm"},
        {"CmdPowerControl", &DiagramFrm::CmdPowerControl_Click, "cv::PowControlFrm"},
        {"ExciteSourceCmd", &DiagramFrm::ExciteSourceCmd_Click, "cv::ExcitSourceFrm"},
        {"CmdInt", &DiagramFrm::CmdInt_Click, "cv::InterruptFrm"},
        {"CmdIntStat", &DiagramFrm::CmdIntStat_Click, "cv::IntStatFrm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        EXPECT_TRUE(child<QPushButton>(d, c.button)->isEnabled());
        rig.clearRecords();
        rig.services.modalWindows.clear();
        (d.*c.click)();
        EXPECT_EQ(rig.services.modalWindows, std::vector<QString>{c.window});
        EXPECT_FALSE(rig.registerOps().empty());
        EXPECT_TRUE(rig.writes().empty());
    }
}

TEST(DialogButtons, FloatingModeRelabelsPin8OnTheOpenBlockDiagram)
{
    SimRig rig;
    DiagramFrm d;
    auto* pin8 = child<QLabel>(d, "CinLbl_14");
    bool check = true;
    rig.services.onModal = [&](QObject* window) {
        auto* w = qobject_cast<ExcitSourceFrm*>(window);
        ASSERT_NE(w, nullptr);
        child<QCheckBox>(*w, "FloatModeChk")->setChecked(check);
        w->FloatModeChk_Click();
    };
    const uint16_t before = rig.board->chip().peek(reg::PWR_CONTROL) & 0xDFFF;
    d.ExciteSourceCmd_Click();
    EXPECT_EQ(pin8->text(), "SRC - 8");
    EXPECT_EQ(rig.board->chip().peek(reg::PWR_CONTROL), before | 0x2000);
    check = false;
    d.ExciteSourceCmd_Click();
    EXPECT_EQ(pin8->text(), "ACSHIELD - 8");
    EXPECT_EQ(rig.board->chip().peek(reg::PWR_CONTROL), before);
}
