#pragma once
// Options both programs share: --board, --usb-log, --scenario, --sim-fault.

#include "shell/BoardSession.h"

#include <QFile>
#include <QStringList>
#include <initializer_list>

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

// Options of either program that take the next word as their value.
inline bool takesValue(const QString& option)
{
    for (const char* o : {"--board", "--usb-log", "--scenario", "--sim-fault", "--render"})
        if (option == QLatin1String(o))
            return true;
    return false;
}

// Whether one of `flags` stands among the options, not as another option's
// value (`--scenario -h` names a file).
inline bool hasFlag(const QStringList& args, std::initializer_list<const char*> flags)
{
    for (int i = 0; i < args.size(); ++i) {
        if (takesValue(args[i])) {
            ++i;
            continue;
        }
        for (const char* f : flags)
            if (args[i] == QLatin1String(f))
                return true;
    }
    return false;
}

// The program's arguments as text. A word that does not come back as the
// same bytes (a file name that is not valid UTF-8) would name another file:
// it is refused with its bytes shown.
inline bool programArguments(int argc, char** argv, QStringList& out, QString* error)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString text = QFile::decodeName(raw);
        if (QFile::encodeName(text) != raw) {
            QString shown;
            for (const char c : raw.left(40))
                shown += uchar(c) >= 0x80 || uchar(c) < 0x20
                             ? QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'))
                             : QString(QLatin1Char(c));
            *error = QStringLiteral("\"%1\" is not valid text in this locale's encoding: rename "
                                    "the file")
                         .arg(shown);
            return false;
        }
        out << text;
    }
    return true;
}

} // namespace cv
