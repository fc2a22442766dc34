#include "gui/QtDesktop.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetricsF>
#include <QTimer>
#include <QUrl>
#include <memory>

#ifdef _WIN32
#include <QWinEventNotifier>
#include <windows.h>
#else
#include <QSocketNotifier>
#endif

#include "gui/Dialogs.h"
#include "gui/frmAbout.h"
#include "gui/ProgressView.h"

namespace kelvora {

void QtDesktop::SetMainWindow(QWidget* window, QWidget* progressView) {
    window_ = window;
    progress_ = progressView;
}

QWidget* QtDesktop::Owner() const { return window_ && window_->isVisible() ? window_.data() : nullptr; }

MsgAnswer QtDesktop::MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    auto box = MakeMessageBox(Owner(), text, buttons, icon, title);
    box->exec();
    return AnswerOf(*box);
}

void QtDesktop::DoEvents() { QCoreApplication::processEvents(); }

void QtDesktop::WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs) {
    // One blocking turn of the event loop that the source itself can end: the thread sleeps until
    // the tool writes (or exits) or the window has an event, and no timer wakes it meanwhile.
#ifdef _WIN32
    std::unique_ptr<QWinEventNotifier> notifier;
    if (source != platform::NoWaitHandle)
        notifier = std::make_unique<QWinEventNotifier>(reinterpret_cast<HANDLE>(source));
#else
    std::unique_ptr<QSocketNotifier> notifier;
    if (source != platform::NoWaitHandle)
        notifier = std::make_unique<QSocketNotifier>(static_cast<qintptr>(source), QSocketNotifier::Read);
#endif
    std::unique_ptr<QTimer> timer;
    if (timeoutMs >= 0) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->start(timeoutMs);
    }
    if (!notifier && !timer) {
        QCoreApplication::processEvents();
        return;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::string QtDesktop::BrowseForFolder(const std::string& title) {
    auto dialog = MakeFolderDialog(Owner(), QString::fromStdString(title));
    const int result = dialog->exec();
    return ChosenPath(*dialog, result);
}

std::string QtDesktop::ShowOpenFileDialog() {
    auto dialog = MakeOpenFileDialog(Owner());
    const int result = dialog->exec();
    return ChosenPath(*dialog, result);
}

bool QtDesktop::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(QString::fromStdString(path))));
}

void QtDesktop::ShowAbout() {
    frmAbout about(Owner());
    about.exec();
}

void QtDesktop::CloseMainWindow() {
    if (window_) window_->close();
}

QFont QtDesktop::ProgressFont() const { return progress_ ? progress_->font() : ProgressView::DefaultFont(); }

double QtDesktop::TextWidthPx(const std::string& text) {
    return QFontMetricsF(ProgressFont()).horizontalAdvance(QString::fromStdString(text));
}

double QtDesktop::TextHeightPx(const std::string&) { return QFontMetricsF(ProgressFont()).height(); }

DateTime QtDesktop::Now() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().year(), now.date().month(), now.date().day(),
            now.time().hour(), now.time().minute(), now.time().second()};
}

}  // namespace kelvora
