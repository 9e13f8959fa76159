#pragma once
// Options both programs share: --board, --usb-log, --scenario, --sim-fault.

#include "shell/BoardSession.h"

#include <QFile>
#include <QStringList>
#include <initializer_list>

namespace cv {

// An option that takes the next word as its value, and where it goes.
struct ValueOption {
    const char* name;
    QString* value;
};

// Takes `options` out of `args` (the rest stay in order). Returns false and
// sets `error` on an option without its value or given twice: the second
// would silently win otherwise.
inline bool takeValueOptions(QStringList& args, std::initializer_list<ValueOption> options,
                             QString* error)
{
    QStringList rest, seen;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const ValueOption* match = nullptr;
        for (const ValueOption& o : options)
            if (a == QLatin1String(o.name))
                match = &o;
        if (!match) {
            rest << a;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        if (seen.contains(a)) {
            *error = QStringLiteral("%1 is given twice").arg(a);
            return false;
        }
        seen << a;
        *match->value = args[++i];
    }
    args = rest;
    return true;
}

// Takes the shared options out of `args` and checks the board and fault
// named, before anything starts. `render`, when given, takes --render too.
inline bool takeBoardOptions(QStringList& args, BoardOptions& out, QString* error,
                             QString* render = nullptr)
{
    if (!takeValueOptions(args,
                          {{"--board", &out.board},
                           {"--usb-log", &out.usbLog},
                           {"--scenario", &out.scenario},
                           {"--sim-fault", &out.simFault}},
                          error) ||
        (render && !takeValueOptions(args, {{"--render", render}}, error)))
        return false;
    *error = boardOptionsError(out);
    return error->isEmpty();
}

// Options of either program that take the next word as their value.
inline bool takesValue(const QString& option)
{
    for (const char* o :
         {"--board", "--usb-log", "--scenario", "--sim-fault", "--render", "--click"})
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
