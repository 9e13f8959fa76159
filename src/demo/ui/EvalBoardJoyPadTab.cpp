// The JoyPad tab: the icon grid, its cursor and the zoom.
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/EvalBoardParts.h"

#include "demo/ui/DemoWidgets.h"
#include "demo/ui/KeyPicture.h"
#include "platform/Services.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>

namespace cv {

using namespace evalboard;

namespace {
// Standard pictures of the style, in a fixed order; duplicates (a style
// may draw two of them alike) are skipped when the grid is filled.
const QStyle::StandardPixmap kIconCandidates[] = {
    QStyle::SP_ComputerIcon,
    QStyle::SP_DesktopIcon,
    QStyle::SP_TrashIcon,
    QStyle::SP_DriveFDIcon,
    QStyle::SP_DriveHDIcon,
    QStyle::SP_DriveCDIcon,
    QStyle::SP_DriveNetIcon,
    QStyle::SP_DirOpenIcon,
    QStyle::SP_DirClosedIcon,
    QStyle::SP_DirLinkIcon,
    QStyle::SP_FileIcon,
    QStyle::SP_FileLinkIcon,
    QStyle::SP_DirHomeIcon,
    QStyle::SP_MessageBoxInformation,
    QStyle::SP_MessageBoxWarning,
    QStyle::SP_MessageBoxCritical,
    QStyle::SP_MessageBoxQuestion,
    QStyle::SP_FileDialogNewFolder,
    QStyle::SP_FileDialogDetailedView,
    QStyle::SP_FileDialogInfoView,
    QStyle::SP_FileDialogContentsView,
    QStyle::SP_FileDialogListView,
    QStyle::SP_FileDialogToParent,
    QStyle::SP_FileDialogBack,
    QStyle::SP_DialogOkButton,
    QStyle::SP_DialogCancelButton,
    QStyle::SP_DialogHelpButton,
    QStyle::SP_DialogOpenButton,
    QStyle::SP_DialogSaveButton,
    QStyle::SP_DialogCloseButton,
    QStyle::SP_DialogApplyButton,
    QStyle::SP_DialogResetButton,
    QStyle::SP_DialogDiscardButton,
    QStyle::SP_DialogYesButton,
    QStyle::SP_DialogNoButton,
    QStyle::SP_BrowserReload,
    QStyle::SP_BrowserStop,
    QStyle::SP_MediaPlay,
    QStyle::SP_MediaStop,
    QStyle::SP_MediaPause,
    QStyle::SP_MediaSkipForward,
    QStyle::SP_MediaSkipBackward,
    QStyle::SP_MediaSeekForward,
    QStyle::SP_MediaSeekBackward,
    QStyle::SP_MediaVolume,
    QStyle::SP_MediaVolumeMuted,
    QStyle::SP_ArrowUp,
    QStyle::SP_ArrowDown,
    QStyle::SP_ArrowLeft,
    QStyle::SP_ArrowRight,
    QStyle::SP_TitleBarMenuButton,
    QStyle::SP_TitleBarCloseButton,
    QStyle::SP_TitleBarMaxButton,
    QStyle::SP_TitleBarMinButton,
    QStyle::SP_TitleBarContextHelpButton,
    QStyle::SP_CommandLink,
    QStyle::SP_VistaShield,
    QStyle::SP_ToolBarHorizontalExtensionButton,
};
} // namespace

void EvalBoardFrm::BuildJoyPadTab(QWidget* t)
{
    auto* bits = frame(t, QStringLiteral("KRV Register [2] - Button Registers"), 10, 10, 620, 60);
    for (int i = 0; i < 16; ++i)
        KrvReg2Lbl[static_cast<size_t>(i)] =
            bitLabel(bits, QStringLiteral("KrvReg2Lbl_%1").arg(i), 580 - 36 * i, 28);
    auto* ButtonsPic = named(new DemoShape(t, true), QStringLiteral("ButtonsPic"));
    ButtonsPic->setGeometry(660, 110, 200, 200);
    ButtonsPic->setFillColor(QColor(0x37, 0x47, 0x4f));
    const QPoint at[kDemoKeys] = {{87, 130}, {87, 52}, {40, 87}, {143, 87}, {87, 90}};
    static const char* const names[kDemoKeys] = {"GoDownPic", "GoUpPic", "GoLeftPic", "GoRightPic",
                                                 "OkPic"};
    for (int k = 0; k < kDemoKeys; ++k) {
        auto* key = new KeyPicture(static_cast<DemoKey>(k), ButtonsPic);
        key->setObjectName(QString::fromLatin1(names[k]) + QStringLiteral("_1"));
        key->move(at[k]);
        Keys[1][static_cast<size_t>(k)] = key;
    }
    ScreenPic = named(new IconScreen(t), QStringLiteral("ScreenPic"));
    ScreenPic->setGeometry(10, 80, 540, 320);
    ZoomPic = named(new QLabel(t), QStringLiteral("ZoomPic"));
    ZoomPic->setGeometry(735, 360, 56, 56);
    ZoomPic->setAlignment(Qt::AlignCenter);
    ZoomPic->setStyleSheet(QStringLiteral("background: white; border: 1px solid #59636e;"));
    auto* active = frame(t, QStringLiteral(""), 10, 420, 200, 50);
    Shape1 = named(new DemoShape(active, true), QStringLiteral("Shape1"));
    Shape1->setGeometry(12, 16, 22, 22);
    label(active, QStringLiteral("Interface Active"), 44, 18, 120);
}

void EvalBoardFrm::LoadIcons()
{
    icons_.clear();
    QStyle* style = QApplication::style();
    IconFile = style ? style->name() : QString();
    std::vector<QByteArray> seen;
    if (style) {
        for (auto sp : kIconCandidates) {
            if (icons_.size() == size_t(kGridRows * kGridCols))
                break;
            const QIcon icon = style->standardIcon(sp);
            const QImage img = icon.pixmap(40, 40).toImage();
            if (icon.isNull() || img.isNull())
                continue;
            const QByteArray key = QCryptographicHash::hash(
                QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()),
                QCryptographicHash::Sha1);
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
            icons_.push_back(icon);
        }
    }
    if (icons_.empty()) {
        ScreenPic->clearPicture();
        services().message(IconFile + QStringLiteral("has not icons."), MsgIcon::None, kAppTitle,
                           MsgButtons::Ok);
        return;
    }
    ScreenPic->setIcons(&icons_);
}

void EvalBoardFrm::ShowJoyPadBlock(const std::vector<int32_t>& w)
{
    Shape1->setFillColor(kRed);
    const JoyPadView v = decodeJoyPadBlock(w.data(), state_, SoundOn());
    for (int i = 0; i < 16; ++i)
        KrvReg2Lbl[static_cast<size_t>(i)]->setText((v.word0 >> i) & 1 ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
    ShowKeys(v.keys, 1);
    if (v.moved)
        ScreenPic->setCursorCell(state_.row, state_.col);
    if (v.zoom) {
        const size_t cell = size_t(v.zoomRow * kGridCols + v.zoomCol);
        ZoomPic->setPixmap(cell < icons_.size() ? icons_[cell].pixmap(48, 48) : QPixmap());
    }
    PlayClicks(v.keys.clicks);
}

} // namespace cv
