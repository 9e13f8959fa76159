#pragma once
// Finding a dialog's controls by their object names, and reading a register
// bit display as one text.

#include "link/VendorRequest.h"
#include "support/Captions.h"
#include "support/SimRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <gtest/gtest.h>
#include <stdexcept>

namespace cv::test {

template <class T> T* child(const QObject& window, const QString& name)
{
    auto* c = window.findChild<T*>(name);
    if (!c)
        throw std::runtime_error("no control " + name.toStdString());
    return c;
}

// Bits 15..0 of a display, as its labels show them.
inline QString shownBits(const QObject& window, const QString& array)
{
    QString s;
    for (int i = 15; i >= 0; --i)
        s += child<QLabel>(window, array + QLatin1Char('_') + QString::number(i))->text();
    return s;
}

inline QString shownText(const QObject& window, const QString& name)
{
    return child<QLabel>(window, name)->text();
}

// A "0x..." register label read back as its value: the hex text's own form
// is pinned where it is made, not again by every window.
inline int shownValue(const QObject& window, const QString& name)
{
    const QString text = shownText(window, name);
    EXPECT_TRUE(text.startsWith(QLatin1String("0x"))) << name.toStdString();
    return text.mid(2).toInt(nullptr, 16);
}

// What every named box, list, field and label shows, one "name<TAB>state"
// line each, sorted; hidden ones marked. Compared whole against a fixture.
inline void expectShown(const QWidget& window, const QString& fixture)
{
    QStringList lines;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        QString s = w->isVisibleTo(&window) ? QString() : QStringLiteral("hidden ");
        if (auto* c = qobject_cast<const QCheckBox*>(w))
            s += c->isChecked() ? QStringLiteral("[x]") : QStringLiteral("[ ]");
        else if (auto* l = qobject_cast<const QComboBox*>(w))
            s += l->currentText();
        else if (auto* t = qobject_cast<const QLineEdit*>(w))
            s += t->text();
        else if (auto* b = qobject_cast<const QLabel*>(w))
            s += b->text();
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            lines << w->objectName() + QLatin1Char('\t') + s;
    }
    lines.sort();
    expectGolden(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), fixture);
}

// Loaded, past its arming timer, the records cleared.
template <class W> void loadArmed(SimRig& rig, W& w)
{
    w.Form_Load();
    w.Timer1_Timer();
    rig.clearRecords();
}

} // namespace cv::test
