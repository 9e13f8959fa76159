#pragma once
// The stage window's level diagram: the stage's five levels to scale, with
// the scale labels Label8(1, 3 .. 11) on the left and the spans named on
// the right.

#include "measure/StageResults.h"

#include <QLabel>
#include <QWidget>
#include <array>

namespace cv {

class LevelDiagram : public QWidget {
public:
    explicit LevelDiagram(QWidget* parent);
    // Levels from the top: ambient + offset high, high threshold, ambient,
    // low threshold, ambient - offset low.
    void place(const DiagramScale& scale, const std::array<double, 5>& levels);

    std::array<QLabel*, 6> Label8{};
    QLabel* OffHiLbl;
    QLabel* MaxTLbl;
    QLabel* MinTLbl;
    QLabel* OffLoLbl;

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    QRect plotArea() const;
    int yOf(double value) const;
    void layoutLabels();

    DiagramScale scale_{{37500, 35000, 32500, 30000, 27500, 25000}, 22500, 12500};
    std::array<double, 5> levels_{};
};

} // namespace cv
