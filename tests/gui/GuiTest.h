#pragma once
#include <QtNetwork>
#include <QtWidgets>

#include "window/frmMain.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvora::test {

#ifdef _WIN32
// Qt's offscreen platform knows no Windows fonts: it is given the system's font folder and the
// face and size Windows gives dialogs, which the windows platform takes for the program.
inline void UseTheSystemsDialogFont() {
    wchar_t folder[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", (QString::fromWCharArray(folder, static_cast<int>(n)) + "\\Fonts").toLocal8Bit());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    QFont font(QString::fromWCharArray(metrics.lfMessageFont.lfFaceName));
    font.setPointSizeF(std::abs(metrics.lfMessageFont.lfHeight) * 72.0 / 96.0);
    QApplication::setFont(font);
}
#endif

// The one application object of the GUI tests, on Qt's offscreen platform.
inline QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_gui", *argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* made = new QApplication(argc, argv);
#ifdef _WIN32
        UseTheSystemsDialogFont();
#endif
        return made;
    }();
    QApplication::setQuitOnLastWindowClosed(false);  // tests close windows outside the loop
    return *app;
}

// Processes events until `done` holds, for at most `limitMs`; returns done().
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 5000) {
    const QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Runs `action` on the next modal window once one is open; disarmed when the guard goes away.
[[nodiscard]] inline std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget*)> action) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), action] {
        if (QWidget* modal = QApplication::activeModalWidget()) t->stop(), action(modal);
    });
    timer->start(5);
    return timer;
}

// A key pressed and released, the way a keyboard sends it.
inline void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text), release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press), QCoreApplication::sendEvent(widget, &release);
}

inline void Type(QWidget* widget, const QString& text) {
    for (QChar ch : text) PressKey(widget, ch == '\b' ? int(Qt::Key_Backspace) : int(ch.toUpper().unicode()), ch);
}

// Starts the program as a desktop would, on the offscreen platform, with `runtime` as the user's
// private runtime folder (on Windows the temporary folder, TMP, where the lock goes).
inline void StartProgram(QProcess& program, const std::string& path, const std::string& runtime,
                         const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"XDG_RUNTIME_DIR", "TMP"}) env.insert(name, QString::fromStdString(runtime));
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(path), arguments);
}

// True when something listens at `endpoint` within `limitMs`.
inline bool Listens(const QString& endpoint, int limitMs) {
    return WaitFor([&] { QLocalSocket probe; return probe.connectToServer(endpoint), probe.waitForConnected(100); }, limitMs);
}

// What a screen reader is told an input is, by the model's kind: AT-SPI's role name and Qt's
// role; empty for what takes no input.
inline std::pair<std::string, QAccessible::Role> InputRole(Control& c) {
    if (dynamic_cast<CommandButton*>(&c)) return {"push button", QAccessible::Button};
    if (dynamic_cast<CheckBox*>(&c)) return {"check box", QAccessible::CheckBox};
    if (dynamic_cast<OptionButton*>(&c)) return {"radio button", QAccessible::RadioButton};
    if (dynamic_cast<TextBox*>(&c)) return {"text", QAccessible::EditableText};
    if (dynamic_cast<ComboBox*>(&c)) return {"combo box", QAccessible::ComboBox};
    if (dynamic_cast<VScrollBar*>(&c)) return {"scroll bar", QAccessible::ScrollBar};
    if (dynamic_cast<PictureBox*>(&c)) return {"progress bar", QAccessible::ProgressBar};
    return {};
}

// The caption that names an input: a field's label's or leading option button's (for the unit
// list the split size's label's), the progress bar's the status line's, anything else its own.
inline const CaptionedControl& CaptionFor(frmMain& f, Control& c) {
    const std::pair<Control*, CaptionedControl*> by[] = {
        {&f.txtInput, &f.Label[0]},       {&f.txtOutput, &f.Label[1]},       {&f.txtArchiveName, &f.Label[2]},
        {&f.cboSplitSize, &f.Label[3]},   {&f.cboFormat, &f.Label[3]},       {&f.cboCompression, &f.Label[4]},
        {&f.cboLines, &f.Label[5]},       {&f.txtBlockSize, &f.Label[6]},    {&f.txtEstimatedSize, &f.Label[7]},
        {&f.txtMaxBlocks, &f.Label[8]},   {&f.cboRedundancy, &f.OptPars[0]}, {&f.txtRecoveryBlocks, &f.OptPars[1]},
        {&f.ScrollRecoveryBlocks, &f.OptPars[1]}, {&f.cboRecoveryFiles, &f.OptPars[2]}, {&f.PicPB, &f.lblStatus}};
    for (auto& [field, caption] : by)
        if (field == &c) return *caption;
    return dynamic_cast<CaptionedControl&>(c);
}

}  // namespace kelvora::test
