#pragma once
// Services of the windowed program: Qt message boxes and file dialogs,
// modal windows, real pauses.

#include "platform/Services.h"

namespace cv {

class QtServices : public Services {
public:
    MsgResult message(const QString& text, MsgIcon icon, const QString& title,
                      MsgButtons buttons) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    void showModal(QObject* window) override;
    void sleepMs(int ms) override;
    void processEvents() override;
    void playSound(const QString& file) override;

protected:
    void quit(int code) override;

public:
    const Clock& clock() const override { return clock_; }

private:
    SteadyClock clock_;
};

// "Desc|*.a|Desc|*.*" to Qt's "Desc (*.a);;Desc (*.*)".
QString qtFileFilter(const QString& vbFilter);

} // namespace cv
