#pragma once
#include <QPointer>
#include <QWidget>

#include "window/Desktop.h"

namespace kelvora {

// The desktop of the real program: Qt's message boxes, dialogs, event loop and clock.
class QtDesktop : public Desktop {
public:
    // The main window owns the dialogs and is closed by CloseMainWindow; the progress view's font
    // measures the progress text. Either may be absent (before the window exists).
    void SetMainWindow(QWidget* window, QWidget* progressView);

    MsgAnswer MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    void DoEvents() override;
    void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs = -1) override;
    std::string BrowseForFolder(const std::string& title) override;
    std::string ShowOpenFileDialog() override;
    bool OpenDocument(const std::string& path) override;
    void ShowAbout() override;
    void CloseMainWindow() override;
    double TextWidthPx(const std::string& text) override;
    double TextHeightPx(const std::string& text) override;
    DateTime Now() override;

private:
    QWidget* Owner() const;
    QFont ProgressFont() const;

    QPointer<QWidget> window_;
    QPointer<QWidget> progress_;
};

}  // namespace kelvora
