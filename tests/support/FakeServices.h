#pragma once
// Recording services for tests: messages are recorded and answered from a
// queue, pauses advance a virtual clock, the program's end throws
// ProgramEnded so a test can assert on it.

#include "platform/Services.h"

#include <QObject>
#include <deque>
#include <functional>
#include <vector>

namespace cv::test {

struct RecordedMessage {
    QString text;
    MsgIcon icon;
    QString title;
};

class FakeServices : public Services {
public:
    FakeServices();
    ~FakeServices() override;

    MsgResult message(const QString& text, MsgIcon icon, const QString& title,
                      MsgButtons buttons) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    void showModal(QObject* window) override;
    void sleepMs(int ms) override;
    void processEvents() override { ++processEventsCalls; }
    void playSound(const QString& file) override { sounds.push_back(file); }
    // Looks without waiting; a wait that finds nothing passes its time on the clock.
    bool waitReadable(int fd, int ms) override;

protected:
    void quit(int code) override;

public:
    const Clock& clock() const override { return clock_; }

    VirtualClock& virtualClock() { return clock_; }

    std::vector<RecordedMessage> messages;
    std::deque<MsgResult> answers; // answers to the next messages (default Ok)
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<QString>> fileAnswers;        // default: cancelled
    std::vector<QString> modalWindows;                     // class names of windows shown modally
    std::function<void(QObject*)> onModal;                 // lets a test work inside a modal window
    std::function<void(const RecordedMessage&)> onMessage; // sees the windows while a message is up
    std::vector<int> sleeps;
    std::vector<QString> sounds;
    int processEventsCalls = 0;

    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }

private:
    VirtualClock clock_;
    Services* previous_;
};

} // namespace cv::test
