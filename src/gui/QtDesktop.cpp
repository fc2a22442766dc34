#include "gui/QtDesktop.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFontMetricsF>
#include <QUrl>

#include "gui/Dialogs.h"
#include "gui/ProgressView.h"
#include "gui/frmAbout.h"

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
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
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
