#include "widgets/RegisterBitDisplay.h"

#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "widgets/Twips.h"

#include <QFrame>
#include <QLabel>

namespace cv {

namespace {
constexpr int kBitW = 300; // twips per bit label
constexpr int kBitH = 285;
constexpr int kTitleH = 285;
constexpr int kCaptionH = 210;
constexpr int kValueGap = 120;
constexpr int kValueW = 1000;
} // namespace

QSize RegisterBitDisplay::preferredSize(bool withTitle)
{
    const int h = (withTitle ? kTitleH : 0) + kCaptionH + kBitH;
    return {tw(16 * kBitW + kValueGap + kValueW), tw(h)};
}

RegisterBitDisplay::RegisterBitDisplay(int16_t address, const Names& names,
                                       const QString& titleText, QWidget* parent)
    : QWidget(parent), address_(address)
{
    const bool withTitle = !titleText.isEmpty();
    setFixedSize(preferredSize(withTitle));
    int y = 0;
    if (withTitle) {
        title_ = new QLabel(titleText, this);
        title_->setObjectName(names.title);
        title_->setGeometry(0, 0, tw(16 * kBitW + kValueGap + kValueW), tw(kTitleH));
        title_->setStyleSheet(QStringLiteral("font-weight: bold;"));
        y += kTitleH;
    }

    auto caption = [this, y](const QString& name, const QString& text, int x, Qt::Alignment a) {
        auto* l = new QLabel(text, this);
        if (!name.isEmpty())
            l->setObjectName(name);
        l->setGeometry(tw(x), tw(y), tw(kBitW), tw(kCaptionH));
        l->setAlignment(a | Qt::AlignBottom);
        l->setStyleSheet(QStringLiteral("color: #59636e; font-size: 9px;"));
    };
    caption(names.highCaption, QStringLiteral("15"), 0, Qt::AlignHCenter);
    caption(names.lowCaption, QStringLiteral("0"), 15 * kBitW, Qt::AlignHCenter);
    y += kCaptionH;
    rowTop_ = y;

    // Bit 15 at the left.
    for (int i = 0; i < 16; ++i) {
        auto* l = new QLabel(QStringLiteral("0"), this);
        l->setObjectName(names.bits + QLatin1Char('_') + QString::number(i));
        l->setGeometry(tw((15 - i) * kBitW), tw(y), tw(kBitW) - 1, tw(kBitH));
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral(
            "background: white; border: 1px solid #9aa5b1; font-family: monospace;"));
        bits_[i] = l;
    }
    value_ = new QLabel(QStringLiteral("0x0"), this);
    value_->setObjectName(names.value);
    value_->setGeometry(tw(16 * kBitW + kValueGap), tw(y), tw(kValueW), tw(kBitH));
    value_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    value_->setStyleSheet(QStringLiteral("font-family: monospace; font-weight: bold;"));
}

int32_t RegisterBitDisplay::refresh()
{
    const int32_t v = ReadRegister(address_, TargetChip);
    showValue(v);
    return v;
}

void RegisterBitDisplay::showValue(int32_t value)
{
    int16_t bits[16];
    WordToBits(value, bits);
    for (int i = 0; i < 16; ++i)
        bits_[i]->setText(bits[i] == 1 ? QStringLiteral("1") : QStringLiteral("0"));
    value_->setText(QStringLiteral("0x") + hexText(value));
}

void RegisterBitDisplay::showBit(int bit, bool set)
{
    bits_[bit]->setText(set ? QStringLiteral("1") : QStringLiteral("0"));
}

void RegisterBitDisplay::showStageSeparator()
{
    if (separator_)
        return;
    separator_ = new QFrame(this);
    separator_->setFrameShape(QFrame::VLine);
    separator_->setStyleSheet(QStringLiteral("color: #c0392b;"));
    separator_->setGeometry(tw(4 * kBitW) - 2, tw(rowTop_ - kCaptionH / 2), 3,
                            tw(kBitH + kCaptionH / 2));
    separator_->raise();
}

} // namespace cv
