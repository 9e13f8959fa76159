#pragma once
// Options both programs share: --board, --usb-log, --scenario, --sim-fault.

#include "shell/BoardSession.h"

#include <QStringList>

namespace cv {

// Takes the shared options out of `args` (the rest stay in order). Returns
// false and sets `error` on an option without its value.
inline bool takeBoardOptions(QStringList& args, BoardOptions& out, QString* error)
{
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = a == QLatin1String("--board")       ? &out.board
                          : a == QLatin1String("--usb-log")   ? &out.usbLog
                          : a == QLatin1String("--scenario")  ? &out.scenario
                          : a == QLatin1String("--sim-fault") ? &out.simFault
                                                              : nullptr;
        if (!target) {
            rest << a;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        *target = args[++i];
    }
    args = rest;
    return true;
}

} // namespace cv
