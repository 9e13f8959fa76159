#pragma once
// What the demo window's tab files share: its colours and the small
// builders of its controls.

#include "link/RegMap.h"
#include "platform/NumText.h"

#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace cv::evalboard {
inline const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kWhite(255, 255, 255), kGrey(192, 192, 192);
inline constexpr int16_t kParamBase = reg::board::DemoPositionFirst;

template <class W> W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

inline QGroupBox* frame(QWidget* parent, const QString& title, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(title, parent);
    g->setGeometry(x, y, w, h);
    return g;
}

inline QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h = 18)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    return l;
}

inline QLineEdit* textBox(QWidget* parent, const QString& name, int x, int y, int w = 64)
{
    auto* t = named(new QLineEdit(parent), name);
    t->setGeometry(x, y, w, 22);
    return t;
}

inline QComboBox* combo(QWidget* parent, const QString& name, int x, int y, int w = 110)
{
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setGeometry(x, y, w, 24);
    return c;
}

// A bit label: "1" or "0".
inline QLabel* bitLabel(QWidget* parent, const QString& name, int x, int y)
{
    auto* l = named(new QLabel(QStringLiteral("0"), parent), name);
    l->setGeometry(x, y, 14, 16);
    l->setAlignment(Qt::AlignCenter);
    l->setStyleSheet(QStringLiteral("font-family: monospace;"));
    return l;
}

inline int32_t truncatedValue(const QString& text)
{
    return static_cast<int32_t>(textValue(text));
}

} // namespace cv::evalboard
