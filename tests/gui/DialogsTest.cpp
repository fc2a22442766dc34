#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
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

TEST_F(DialogsTest, OpenFileDialogOffersEveryFileCentredAndReturnsALinkAsItself) {
    TempDir dir;
    dir.WriteText("notes.txt", "text");
    std::filesystem::create_symlink(dir / "notes.txt", dir / "shortcut");

    auto dialog = MakeOpenFileDialog(nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Open");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontResolveSymlinks));
    EXPECT_TRUE(dialog->isSizeGripEnabled());
    EXPECT_EQ(dialog->nameFilters(), QStringList{"All Files (*)"});
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_TRUE(types && types->count() == 1);
    EXPECT_EQ(types->itemText(0), "All Files (*.*)");

    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->show();
    QCoreApplication::processEvents();
    const QPoint offset = dialog->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);

    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("shortcut");
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_EQ(ChosenPath(*dialog, dialog->result()), dir / "shortcut");
}

TEST_F(DialogsTest, CancelledDialogsGiveTheEmptyText) {
    for (int folder : {0, 1}) {
        auto cancel = OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        EXPECT_EQ(folder ? desktop.BrowseForFolder("Select folder:") : desktop.ShowOpenFileDialog(), "");
    }
}

TEST_F(DialogsTest, MessageBoxesShowPlainTextAndGiveTheUsersAnswer) {
    auto box = MakeMessageBox(nullptr, "cannot contain:\r\n\r\n\\ / :", MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    EXPECT_EQ(box->text(), "cannot contain:\n\n\\ / :");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    for (auto [button, answer] : {std::pair{QMessageBox::No, MsgAnswer::No}, std::pair{QMessageBox::Yes, MsgAnswer::Yes}}) {
        auto click = OnNextModal([b = button](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(b)->click(); });
        EXPECT_EQ(desktop.MsgBox("Go on?", MsgButtons::YesNo, MsgIcon::Question, "Confirmation"), answer);
    }
}

TEST_F(DialogsTest, AboutWindowShowsTheVersionedNameInBold) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), "About Kelvora");
    auto* name = about.findChild<QLabel*>("lblName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Kelvora v1.0.0");
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(about.findChild<QLabel*>("Image1")->pixmap().size(), QSize(48, 48));
    auto ok = OnNextModal([](QWidget* modal) { modal->findChild<QAbstractButton*>("cmdOK")->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace kelvora::test
