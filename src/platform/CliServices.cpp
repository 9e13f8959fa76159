#include "platform/CliServices.h"

#include "platform/ExitNow.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace cv {

MsgResult CliServices::message(const QString& text, MsgIcon, const QString&, MsgButtons buttons)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    // Nobody can answer: take the cautious answer of each button set.
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel:
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
    case MsgButtons::YesNo: return MsgResult::No;
    }
    return MsgResult::Ok;
}

std::optional<QString> CliServices::fileDialog(const FileDialogRequest&)
{
    return std::nullopt;
}

void CliServices::showModal(QObject*) {}

void CliServices::sleepMs(int ms)
{
    if (virtualTime_)
        virtual_.advanceMs(ms > 0 ? ms : 0);
    else if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CliServices::quit(int code)
{
    exitNow(code == 0 ? 1 : code);
}

} // namespace cv
