#pragma once
// One 16-bit chip register shown as sixteen "1"/"0" labels (bit 15 at the
// left, bit 0 at the right, captions "15" and "0" above the row ends), a value
// label "0x" plus upper-case hexadecimal and a title label naming the
// register. The labels are children with the object names the window gives
// them (bits as Name_0 .. Name_15), so a window's tests find them by name.

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QFrame;

namespace cv {

class RegisterBitDisplay : public QWidget {
    Q_OBJECT
public:
    struct Names {
        QString bits;        // array name: bit i is "<bits>_<i>"
        QString value;       // value label, e.g. "Lab1"
        QString title;       // title label; may be empty
        QString highCaption; // the "15" caption; may be empty
        QString lowCaption;  // the "0" caption; may be empty
    };

    // An empty title text leaves the title line out (a frame around the
    // display names the register instead).
    RegisterBitDisplay(int16_t address, const Names& names, const QString& titleText,
                       QWidget* parent = nullptr);

    int16_t address() const { return address_; }

    // Reads the register from the chip and shows it; returns the value read.
    int32_t refresh();
    // Shows a value without reading it.
    void showValue(int32_t value);
    // Shows a bit ahead of the chip (a command bit just being written).
    void showBit(int bit, bool set);
    // A thin line between bits 12 and 11: the stage bits to its right.
    void showStageSeparator();

    QLabel* bitLabel(int bit) const { return bits_[bit]; }
    QLabel* valueLabel() const { return value_; }
    QLabel* titleLabel() const { return title_; }

    static QSize preferredSize(bool withTitle);

private:
    int16_t address_;
    std::array<QLabel*, 16> bits_{};
    QLabel* value_ = nullptr;
    QLabel* title_ = nullptr;
    QFrame* separator_ = nullptr;
    int rowTop_ = 0;
};

} // namespace cv
