#pragma once
// How a threshold is computed: the formula and the same formula with the
// stage's numbers filled in.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace cv {

class FormulaFrm : public QDialog {
    Q_OBJECT
public:
    explicit FormulaFrm(QWidget* parent = nullptr);

    // Fills the window for the high (true) or low threshold.
    void showFormula(const QString& caption, const QString& formula, const QString& result);
    void cmdClose_Click();

    QLineEdit* FormulaTxt;
    QLineEdit* ResultTxt;
    QPushButton* cmdClose;
};

} // namespace cv
