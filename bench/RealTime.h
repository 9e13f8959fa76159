#pragma once
// Real time for the benchmarks that run a window as a user would: real
// pauses, the steady clock, process CPU time and resident memory.

#include "platform/Services.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace cv::bench {

// Real time and real pauses, no dialogs: the save dialog answers a file of
// our own, messages go to stderr.
class RealTimeServices final : public Services {
public:
    QString savePath;
    MsgResult message(const QString& text, MsgIcon, const QString&, MsgButtons) override
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return MsgResult::Ok;
    }
    std::optional<QString> fileDialog(const FileDialogRequest&) override { return savePath; }
    void showModal(QObject*) override {}
    void sleepMs(int ms) override
    {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
    }
    void processEvents() override { QCoreApplication::processEvents(); }
    void playSound(const QString&) override {}
    const Clock& clock() const override { return clock_; }

protected:
    void quit(int code) override { std::_Exit(code); }

private:
    SteadyClock clock_;
};

inline double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

inline long rssKib()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace cv::bench
