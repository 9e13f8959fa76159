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

// Writes to one chip register since the last clear.
inline std::vector<int> chipWritesTo(const SimRig& rig, int address)
{
    std::vector<int> v;
    for (const auto& op : rig.writes())
        if (op.target == TargetChip && op.address == address)
            v.push_back(op.value);
    return v;
}

} // namespace cv::test
