#include "gui/Dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace kelvora {

namespace {

// Centres a window as it is shown, and again if it settles its size in the moments after
// (before the user can have moved it).
class ScreenCentring : public QObject {
public:
    explicit ScreenCentring(QWidget* window) : QObject(window) { window->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show) {
            CenterOnScreen(window);
            settling_ = true;
            QTimer::singleShot(0, this, [this] { settling_ = false; });
        } else if (event->type() == QEvent::Resize && settling_) {
            CenterOnScreen(window);
        }
        return false;
    }

private:
    bool settling_ = false;
};

}  // namespace

void CenterOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // move() places the frame; before the window maps its frame may not be known yet, and then
    // the client size stands in for it.
    const QSize frame = window->frameGeometry().size().expandedTo(window->size());
    window->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame, area).topLeft());
}

void CenterOnScreenWhenShown(QWidget* window) { new ScreenCentring(window); }

std::unique_ptr<QFileDialog> MakeOpenFileDialog(QWidget* owner) {
    auto dialog = std::make_unique<QFileDialog>(owner, QStringLiteral("Open"));
    dialog->setObjectName(QStringLiteral("OpenFileDialog"));
    // Qt's own dialog: the same on every desktop, and its filter text can be shown as intended.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontResolveSymlinks);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // "*.*" would hide names without a dot; "*" lists every file under the familiar label.
    dialog->setNameFilter(QStringLiteral("All Files (*)"));
    if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        types->setItemText(0, QStringLiteral("All Files (*.*)"));
    dialog->setSizeGripEnabled(true);
    dialog->setModal(true);
    CenterOnScreenWhenShown(dialog.get());
    return dialog;
}

std::unique_ptr<QFileDialog> MakeFolderDialog(QWidget* owner, const QString& title) {
    auto dialog = std::make_unique<QFileDialog>(owner, title);
    dialog->setObjectName(QStringLiteral("FolderDialog"));
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setSizeGripEnabled(true);
    dialog->setModal(true);
    CenterOnScreenWhenShown(dialog.get());
    return dialog;
}

std::string ChosenPath(QFileDialog& dialog, int result) {
    if (result != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return {};
    // Qt speaks "/" on every system; the behaviour speaks the system's own separator.
    return QDir::toNativeSeparators(QDir::cleanPath(chosen.first())).toStdString();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const std::string& text, MsgButtons buttons, MsgIcon icon,
                                            const std::string& title) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::Critical: qicon = QMessageBox::Critical; break;
        case MsgIcon::Question: qicon = QMessageBox::Question; break;
        case MsgIcon::Exclamation: qicon = QMessageBox::Warning; break;
        case MsgIcon::Information: qicon = QMessageBox::Information; break;
        case MsgIcon::None: break;
    }
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto box = std::make_unique<QMessageBox>(qicon, QString::fromStdString(title), body, QMessageBox::NoButton, owner);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    if (buttons == MsgButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

MsgAnswer AnswerOf(const QMessageBox& box) {
    const auto* clicked = box.clickedButton();
    if (!clicked) return box.standardButtons() & QMessageBox::No ? MsgAnswer::No : MsgAnswer::OK;
    switch (box.standardButton(const_cast<QAbstractButton*>(clicked))) {
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        default: return MsgAnswer::OK;
    }
}

}  // namespace kelvora
