#include "platform/ui/QtServices.h"

#include "platform/ExitNow.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace cv {

QString qtFileFilter(const QString& vbFilter)
{
    const QStringList parts = vbFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (desc.contains(QLatin1Char('('))
                    ? desc
                    : desc + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

MsgResult QtServices::message(const QString& text, MsgIcon icon, const QString& title,
                              MsgButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Ok;
    }
}

std::optional<QString> QtServices::fileDialog(const FileDialogRequest& r)
{
    QFileDialog dlg(QApplication::activeWindow(), r.title, r.initialDir);
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtFileFilter(r.filter).split(QStringLiteral(";;"));
    dlg.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[r.filterIndex - 1]);
    if (!r.fileName.isEmpty())
        dlg.selectFile(r.fileName);
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first();
}

void QtServices::showModal(QObject* window)
{
    if (auto* dlg = qobject_cast<QDialog*>(window)) {
        dlg->exec();
        return;
    }
    auto* w = qobject_cast<QWidget*>(window);
    if (!w)
        return;
    QEventLoop loop;
    w->setWindowModality(Qt::ApplicationModal);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    w->show();
    while (w->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void QtServices::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void QtServices::processEvents()
{
    QCoreApplication::processEvents();
}

void QtServices::playSound(const QString& file)
{
    // One effect per file, loaded once. Without an audio output the effect
    // only reports an error status: the program stays silent.
    // Kept to the end of the process: none may outlive the application object.
    // A click asked for while one plays waits its turn, so two clicks of one
    // block sound as two.
    struct Queued {
        QSoundEffect* effect = nullptr;
        int waiting = 0;
    };
    static auto* effects = new std::map<QString, Queued>;
    Queued& q = (*effects)[file];
    if (!q.effect) {
        if (!QFileInfo::exists(file))
            return;
        q.effect = new QSoundEffect(QCoreApplication::instance());
        q.effect->setSource(QUrl::fromLocalFile(file));
        QObject::connect(q.effect, &QSoundEffect::playingChanged, q.effect, [&q] {
            if (!q.effect->isPlaying() && q.waiting > 0) {
                --q.waiting;
                q.effect->play();
            }
        });
    }
    if (q.effect->isPlaying())
        ++q.waiting;
    else
        q.effect->play();
}

void QtServices::quit(int code)
{
    exitNow(code);
}

} // namespace cv
