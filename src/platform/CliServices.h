#pragma once
// Services for the command line: messages go to stderr with the same text,
// dialogs are cancelled, the program's end is a non-zero exit.

#include "platform/Services.h"

namespace cv {

class CliServices : public Services {
public:
    // With virtual time, pauses advance a clock of our own instead of
    // waiting (used to render windows quickly and repeatably).
    explicit CliServices(bool virtualTime = false) : virtualTime_(virtualTime) {}

    MsgResult message(const QString& text, MsgIcon icon, const QString& title,
                      MsgButtons buttons) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    void showModal(QObject* window) override;
    void sleepMs(int ms) override;
    void processEvents() override {}
    void playSound(const QString&) override {}

protected:
    void quit(int code) override;

public:
    const Clock& clock() const override
    {
        return virtualTime_ ? static_cast<const Clock&>(virtual_) : steady_;
    }

private:
    bool virtualTime_;
    SteadyClock steady_;
    VirtualClock virtual_;
};

} // namespace cv
