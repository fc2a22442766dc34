#include <gtest/gtest.h>

#include <filesystem>

#include "GuiTest.h"
#include "TempDir.h"
#include "gui/Dialogs.h"
#include "gui/QtDesktop.h"
#include "runner/CommandLine.h"
#include "runner/DOSOutputs.h"

namespace kelvora::test {
namespace {

// Every file is offered, and a link is returned as itself, not as what it leads to; a cancel
// gives the empty text. A name holding "<" must not turn a message into markup; each button
// gives its own answer.
TEST(Dialogs, EveryFileOfferedALinkReturnedAsItselfAndMessagesInPlainText) {
    GuiApp();
    QtDesktop desktop;
    TempDir dir;
    dir.WriteText("notes.txt", "text");
#ifdef _WIN32
    const std::string chosen = "notes.txt";  // wine makes no links
#else
    const std::string chosen = "shortcut";
    std::filesystem::create_symlink(dir / "notes.txt", dir / chosen);
#endif
    auto dialog = MakeOpenFileDialog(nullptr);
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_TRUE(types && types->count() == 1 && types->itemText(0) == "All Files (*.*)");
    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(chosen));
    static_cast<QDialog*>(dialog.get())->accept();
    EXPECT_EQ(ChosenPath(*dialog, dialog->result()), dir / chosen);
    for (int folder : {0, 1}) {
        auto cancel = OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        EXPECT_EQ(folder ? desktop.BrowseForFolder("Select folder:") : desktop.ShowOpenFileDialog(), "");
    }
    auto box = MakeMessageBox(nullptr, "cannot contain:\r\n\r\n\\ / : <b>", MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    EXPECT_TRUE(box->text() == "cannot contain:\n\n\\ / : <b>" && box->textFormat() == Qt::PlainText &&
                box->icon() == QMessageBox::Warning);
    for (auto [button, answer] : {std::pair{QMessageBox::No, MsgAnswer::No}, std::pair{QMessageBox::Yes, MsgAnswer::Yes}}) {
        auto click = OnNextModal([b = button](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(b)->click(); });
        EXPECT_EQ(desktop.MsgBox("Go on?", MsgButtons::YesNo, MsgIcon::Question, "Confirmation"), answer);
    }
}

// A tool run on the real event loop ends when the tool does, whether its output or its exit
// comes last, with nothing else to wake the loop: the loop sleeps on the tool itself. (A watchdog
// event after many seconds would end a wait that missed the tool; it must not be needed.)
TEST(QtEventLoop, AToolRunEndsWhenTheToolDoesWithNothingElseToWakeIt) {
    GuiApp();
    QtDesktop desktop;
    DOSOutputs runner(desktop);
    const std::string child = QuoteArgument(TestToolsDir() + platform::PathSeparator + "test_child" + ExeSuffix);
    for (const char* steps : {" out:written sleep:300", " out:early close sleep:300 exit:3", " sleep:300"}) {
        bool woken = false;
        QObject watchdog;  // its timer goes with it
        QTimer::singleShot(20000, &watchdog, [&] { woken = true; });
        runner.ExecuteCommand(child + steps);
        EXPECT_FALSE(woken) << steps << ": the loop missed the tool";
        EXPECT_EQ(runner.LastResult().outcome, RunResult::Outcome::Ended) << steps;
    }
}

}  // namespace
}  // namespace kelvora::test
