#pragma once
// "Virtual Sensor Board": the sensor board of the simulated evaluation
// board, for touching by mouse. Keys act while a button is held down, the
// slider while the mouse is dragged on it. The scenario's finger is shown
// lit as it moves. It never takes the focus, keeps clear of the window it
// serves (the main window, or the modal window open over it) and stays where
// the user puts it otherwise.

#include <QLabel>
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

    // The window it keeps clear of while no modal window is open.
    void setHomeWindow(QWidget* home) { home_ = home; }
    // Moves it beside `served` if it covers it or was never moved by the
    // user (`dock`: forget where the user put it); else back to that place.
    void PlaceBeside(QWidget* served, bool dock = false);

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    void ShowKey(size_t target, bool touched);

    SimBoard& board_;
    std::vector<KeyButton*> keys_; // by touch target
    QWidget* home_ = nullptr;
    QPoint userPos_, placedAt_;
    bool userPlaced_ = false, placing_ = false;
    SliderStrip* slider_;
    QLabel* stateLbl_;
    QTimer timer1_;
};

} // namespace cv::sim
