#include "platform/Services.h"

#include "platform/ExitNow.h"
#include "platform/OpenFiles.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CV_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CV_LEAK_CHECK 1
#endif
#ifdef CV_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace cv {

namespace {
Services* g_services = nullptr;
}

Services& services()
{
    assert(g_services && "no services installed");
    return *g_services;
}

Services* setServices(Services* s)
{
    Services* old = g_services;
    g_services = s;
    return old;
}

namespace {
bool g_outputIncomplete = false;
std::function<void(const OperatorPrompt&)>& promptListener()
{
    static std::function<void(const OperatorPrompt&)> listener;
    return listener;
}
} // namespace

void promptOperator(const OperatorPrompt& prompt)
{
    if (promptListener())
        promptListener()(prompt);
}

void setPromptListener(std::function<void(const OperatorPrompt&)> listener)
{
    promptListener() = std::move(listener);
}

void reportIncompleteOutput(const QString& what)
{
    if (!g_outputIncomplete)
        std::fprintf(stderr, "%s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    g_outputIncomplete = true;
}

int exitStatus(int code)
{
    return code == 0 && g_outputIncomplete ? 3 : code;
}

bool Services::waitReadable(int fd, int ms)
{
    // Measured on the steady clock: the program's clock may be virtual.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

void Services::endProgram(int code)
{
    closeAllTrackedFiles();
    std::fflush(nullptr);
    code = exitStatus(code);
    quit(code);
    exitNow(code); // quit() must not return; make sure of it
}

void exitNow(int code)
{
#ifdef CV_LEAK_CHECK
    // Leaks found end the process here with the sanitizer's own status.
    __lsan_do_leak_check();
#endif
    std::_Exit(code);
}

void fatalUsbFailure(const QString& detail)
{
    QString text = QStringLiteral("USB communication failed");
    if (!detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    services().message(text, MsgIcon::Critical, QStringLiteral("Error!"));
    services().endProgram(1);
}

} // namespace cv
