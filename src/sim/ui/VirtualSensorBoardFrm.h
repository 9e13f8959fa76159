#pragma once
// "Virtual Sensor Board": the sensor board of the simulated evaluation
// board, for touching by mouse. Keys act while a button is held down, the
// slider while the mouse is dragged on it. The scenario's finger is shown
// lit as it moves. It never takes the focus and covers none of the
// program's windows: whenever a window opens, closes, moves or grows it goes
// to free screen space beside the window it serves (the main window, or the
// modal window open over it), or stays where the user put it if that is
// still clear. Where the screen has no such space it becomes a panel at the
// foot of the window it serves, whose contents then scroll above it.

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace cv::sim {
class SimBoard;

class SliderStrip : public QWidget {
public:
    explicit SliderStrip(QWidget* parent);
    // Segment levels 0..1 to draw, and the finger position (negative: none).
    void setState(const std::vector<double>& lit, double fingerPos);
    // Called with a position 0..255 while dragged, with -1 on release.
    std::function<void(double)> onFinger;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    double positionAt(int x) const;
    std::vector<double> lit_ = std::vector<double>(8, 0.0);
    double finger_ = -1;
};

// A key of the pad: a push button drawn lit while touched. The light is
// painted over the button, so the button's palette and style never change:
// the style's pixmap cache would keep a new picture at every change.
class KeyButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    // Also the "lit" property, for tests and tools that look at the window.
    void setLit(bool lit);
    bool lit() const { return lit_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool lit_ = false;
};

class VirtualSensorBoardFrm : public QWidget {
public:
    explicit VirtualSensorBoardFrm(SimBoard& board, QWidget* parent = nullptr);

    void Form_Load();
    // Shows the finger and keeps this window usable beside modal windows.
    void Timer1_Timer();
    void KeyCmd_Press(int target);
    void KeyCmd_Release(int target);
    void SliderStrip_Finger(double pos);

    // The window it serves while no modal window is open.
    void setHomeWindow(QWidget* home) { home_ = home; }
    // Where the user put it if that covers no window of the program, else
    // beside `served`, else docked in it (`dock`: forget where the user put it).
    void PlaceBeside(QWidget* served, bool dock = false);
    // The window it is docked in as a panel, or null.
    QWidget* dockedIn() const { return dockedIn_; }

protected:
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowKey(size_t target, bool touched);
    QWidget* Served() const;
    void DockInto(QWidget* served);
    void Undock();
    void MoveTo(const QPoint& at);
    // The slider beside the key pad (a low panel) or below it (the window).
    void ArrangeKeys(bool docked);

    SimBoard& board_;
    std::vector<KeyButton*> keys_; // by touch target
    QWidget* home_ = nullptr;
    QPoint userPos_, placedAt_;
    bool userPlaced_ = false, placing_ = false, reshow_ = false;
    QPointer<QWidget> dockedIn_;
    QSize servedSize_;        // of the window it docked in, before
    QSize frameExtra_{8, 32}; // the window manager's frame around it, until known
    QTimer placeTimer_;
    SliderStrip* slider_;
    QLabel* stateLbl_;
    QTimer timer1_;
};

} // namespace cv::sim
