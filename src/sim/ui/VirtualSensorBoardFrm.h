#pragma once
// "Virtual Sensor Board": the sensor board of the simulated evaluation
// board, for touching by mouse. Keys act while a button is held down, the
// slider while the mouse is dragged on it. The scenario's finger is shown
// lit as it moves.

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

class VirtualSensorBoardFrm : public QWidget {
public:
    explicit VirtualSensorBoardFrm(SimBoard& board, QWidget* parent = nullptr);

    void Form_Load();
    // Shows the finger and keeps this window usable beside modal windows.
    void Timer1_Timer();
    void KeyCmd_Press(int target);
    void KeyCmd_Release(int target);
    void SliderStrip_Finger(double pos);

private:
    SimBoard& board_;
    std::vector<QPushButton*> keys_; // by touch target
    SliderStrip* slider_;
    QLabel* stateLbl_;
    QTimer timer1_;
};

} // namespace cv::sim
