#include "measure/ui/FormulaFrm.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace cv {

FormulaFrm::FormulaFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormulaFrm"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setVerticalSpacing(8);
    const auto field = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setReadOnly(true);
        t->setMinimumWidth(640);
        return t;
    };
    FormulaTxt = field("FormulaTxt");
    ResultTxt = field("ResultTxt");
    QFont bold = ResultTxt->font();
    bold.setBold(true);
    ResultTxt->setFont(bold);
    grid->addWidget(new QLabel(QStringLiteral("Formula"), this), 0, 0);
    grid->addWidget(FormulaTxt, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("This stage"), this), 1, 0);
    grid->addWidget(ResultTxt, 1, 1);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    grid->addWidget(cmdClose, 2, 1, Qt::AlignRight);
    connect(cmdClose, &QPushButton::clicked, this, &FormulaFrm::cmdClose_Click);
    setFixedSize(sizeHint());
}

void FormulaFrm::showFormula(const QString& caption, const QString& formula, const QString& result)
{
    setWindowTitle(caption);
    FormulaTxt->setText(formula);
    FormulaTxt->setCursorPosition(0);
    ResultTxt->setText(result);
    ResultTxt->setCursorPosition(0);
}

void FormulaFrm::cmdClose_Click()
{
    done(0);
}

} // namespace cv
