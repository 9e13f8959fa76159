#include "support/FakeServices.h"

#include <poll.h>

namespace cv::test {

FakeServices::FakeServices() : previous_(setServices(this)) {}

FakeServices::~FakeServices()
{
    setServices(previous_);
}

MsgResult FakeServices::message(const QString& text, MsgIcon icon, const QString& title,
                                MsgButtons buttons)
{
    messages.push_back({text, icon, title});
    if (onMessage)
        onMessage(messages.back());
    if (answers.empty())
        return MsgResult::Ok;
    const MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

std::optional<QString> FakeServices::fileDialog(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    if (fileAnswers.empty())
        return std::nullopt;
    auto r = fileAnswers.front();
    fileAnswers.pop_front();
    return r;
}

void FakeServices::showModal(QObject* window)
{
    modalWindows.push_back(QString::fromLatin1(window->metaObject()->className()));
    if (onModal)
        onModal(window);
}

void FakeServices::sleepMs(int ms)
{
    sleeps.push_back(ms);
    clock_.advanceMs(ms);
}

bool FakeServices::waitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    const bool ready = ::poll(&p, 1, 0) > 0;
    if (!ready)
        clock_.advanceMs(ms);
    return ready;
}

void FakeServices::quit(int code)
{
    throw ProgramEnded{code};
}

} // namespace cv::test
