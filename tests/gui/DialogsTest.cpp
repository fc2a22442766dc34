#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <cstdlib>
#include <filesystem>

#include "GuiTest.h"
#include "TempDir.h"
#include "common/Version.h"
#include "gui/Dialogs.h"
#include "gui/QtDesktop.h"
#include "gui/frmAbout.h"

namespace kelvora::test {
namespace {

class DialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }
    QtDesktop desktop;
};

TEST_F(DialogsTest, OpenFileDialogOffersEveryFileAndReturnsALinkAsItself) {
    TempDir dir;
    dir.WriteText("README", "no extension");
    dir.WriteText("notes.txt", "text");
    std::filesystem::create_symlink(dir / "notes.txt", dir / "shortcut");

    auto dialog = MakeOpenFileDialog(nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Open");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontResolveSymlinks));
    EXPECT_TRUE(dialog->isSizeGripEnabled());
    EXPECT_EQ(dialog->nameFilters(), QStringList{"All Files (*)"});
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 1);
    EXPECT_EQ(types->itemText(0), "All Files (*.*)");

    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->show();
    // Opened in the middle of the screen.
    const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    QCoreApplication::processEvents();
    const QPoint offset = dialog->geometry().center() - middle;
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);

    // The listing is filled in the background: wait for it, then every file is there and usable.
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    auto listed = [&](const char* name) {
        const QModelIndex index = model->index(QString::fromStdString(dir / name));
        return index.isValid() && (model->flags(index) & Qt::ItemIsEnabled);
    };
    EXPECT_TRUE(WaitFor([&] { return listed("README") && listed("notes.txt") && listed("shortcut"); }));

    // A name that does not exist is refused with a warning, and the dialog stays open.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText("missing");
    bool warned = false;
    auto warning = OnNextModal([&](QWidget* modal) {
        warned = true;
        modal->close();
    });
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_TRUE(warned);
    EXPECT_TRUE(dialog->isVisible());

    name->setText("shortcut");
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ChosenPath(*dialog, dialog->result()), dir / "shortcut");
}

TEST_F(DialogsTest, CancelledDialogsGiveTheEmptyText) {
    auto answer1 = OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(desktop.ShowOpenFileDialog(), "");

    QString title;
    auto answer2 = OnNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(desktop.BrowseForFolder("Select folder:"), "");
    EXPECT_EQ(title, "Select folder:");
}

TEST_F(DialogsTest, FolderBrowserOffersFoldersOnlyAndReturnsTheChosenPath) {
    TempDir dir;
    dir.MakeFolder("Photos");
    auto dialog = MakeFolderDialog(nullptr, "Select folder:");
    EXPECT_EQ(dialog->windowTitle(), "Select folder:");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->selectFile(QString::fromStdString(dir / "Photos"));
    // Nothing may ask anything here; a box would mean the choice was refused.
    bool asked = false;
    auto answer3 = OnNextModal([&](QWidget* modal) {
        asked = true;
        modal->close();
    });
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_FALSE(asked);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ChosenPath(*dialog, dialog->result()), dir / "Photos");
    EXPECT_EQ(ChosenPath(*dialog, QDialog::Rejected), "");
}

TEST_F(DialogsTest, MessageBoxesCarryTheTextIconButtonsAndAnswer) {
    auto box = MakeMessageBox(nullptr, "A filename cannot contain:\r\n\r\n\\ / :", MsgButtons::OK, MsgIcon::Exclamation,
                              AppTitle);
    EXPECT_EQ(box->windowTitle(), "Kelvora");
    EXPECT_EQ(box->text(), "A filename cannot contain:\n\n\\ / :");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(MakeMessageBox(nullptr, "x", MsgButtons::OK, MsgIcon::Critical, "t")->icon(), QMessageBox::Critical);
    EXPECT_EQ(MakeMessageBox(nullptr, "x", MsgButtons::OK, MsgIcon::Information, "t")->icon(),
              QMessageBox::Information);

    auto question = MakeMessageBox(nullptr, "Go on?", MsgButtons::YesNo, MsgIcon::Question, "Confirmation");
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question->icon(), QMessageBox::Question);

    // Answered by the user, through the desktop.
    auto answer4 = OnNextModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click(); });
    EXPECT_EQ(desktop.MsgBox("Go on?", MsgButtons::YesNo, MsgIcon::Question, "Confirmation"), MsgAnswer::No);
    auto answer5 = OnNextModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(desktop.MsgBox("Go on?", MsgButtons::YesNo, MsgIcon::Question, "Confirmation"), MsgAnswer::Yes);
    auto answer6 = OnNextModal([](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(desktop.MsgBox("Done!", MsgButtons::OK, MsgIcon::Information, AppTitle), MsgAnswer::OK);
}

TEST_F(DialogsTest, AboutWindowShowsTheVersionedNameInBoldAndClosesWithOk) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), "About Kelvora");
    auto* name = about.findChild<QLabel*>("lblName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Kelvora v1.0.0");
    EXPECT_TRUE(name->font().bold());
    auto* image = about.findChild<QLabel*>("Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixmap().size(), QSize(48, 48));

    auto answer7 = OnNextModal([](QWidget* modal) { modal->findChild<QAbstractButton*>("cmdOK")->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);

    // Through the desktop: modal, and gone when closed.
    auto answer8 = OnNextModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), "About Kelvora");
        modal->findChild<QAbstractButton*>("cmdOK")->click();
    });
    desktop.ShowAbout();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace kelvora::test
