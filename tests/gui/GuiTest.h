#pragma once
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
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
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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
// private runtime folder (on Windows the temporary folder).
inline void StartProgram(QProcess& program, const std::string& path, const std::string& runtime,
                         const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
#ifdef _WIN32
    env.insert("TMP", QString::fromStdString(runtime));  // where the lock goes on Windows
#endif
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(path), arguments);
}

// True when something listens at `endpoint` within `limitMs`.
inline bool Listens(const QString& endpoint, int limitMs) {
    return WaitFor([&] {
        QLocalSocket probe;
        probe.connectToServer(endpoint);
        return probe.waitForConnected(100);
    }, limitMs);
}

}  // namespace kelvora::test
