#pragma once
// Finding a dialog's controls by their object names, and reading a register
// bit display as one text.

#include "link/VendorRequest.h"
#include "support/SimRig.h"

#include <QLabel>
#include <QObject>
#include <gtest/gtest.h>
#include <stdexcept>

namespace cv::test {

template <class T> T* child(const QObject& window, const QString& name)
{
    auto* c = window.findChild<T*>(name);
    if (!c) {
        ADD_FAILURE() << "no control " << name.toStdString();
        throw std::runtime_error("missing control");
    }
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
    bool ok = false;
    const int v = shownText(window, name).mid(2).toInt(&ok, 16);
    EXPECT_TRUE(ok && shownText(window, name).startsWith(QLatin1String("0x")))
        << name.toStdString();
    return v;
}

// Loaded, past its arming timer, the records cleared.
template <class W> void loadArmed(SimRig& rig, W& w)
{
    w.Form_Load();
    w.Timer1_Timer();
    rig.clearRecords();
}

} // namespace cv::test
