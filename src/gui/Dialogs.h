#pragma once
#include <QFileDialog>
#include <QMessageBox>
#include <memory>
#include <string>

#include "window/Desktop.h"

class QWidget;

namespace kelvora {

// Moves a top-level window to the middle of its screen whenever it is shown (before it maps).
void CenterOnScreenWhenShown(QWidget* window);
// Moves it there now.
void CenterOnScreen(QWidget* window);

// The open-file dialog: title "Open", one filter shown as "All Files (*.*)" that lists every
// file (also names without a dot), only an existing file in an existing folder, a link chosen
// is returned as the link itself, resizable, centred on the screen.
std::unique_ptr<QFileDialog> MakeOpenFileDialog(QWidget* owner);
// The folder browser: only folders, the given title, centred on the screen.
std::unique_ptr<QFileDialog> MakeFolderDialog(QWidget* owner, const QString& title);
// The path a finished file dialog returns: the chosen entry's full path with the system's own
// separators and without a trailing one (a root keeps its own), or "" when it was cancelled.
std::string ChosenPath(QFileDialog& dialog, int result);

// A modal message box with the window's texts and icons.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const std::string& text, MsgButtons buttons, MsgIcon icon,
                                            const std::string& title);
MsgAnswer AnswerOf(const QMessageBox& box);

}  // namespace kelvora
