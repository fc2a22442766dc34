#pragma once
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace kelvora::test {

// The one application object of the GUI tests, on Qt's offscreen platform.
inline QApplication& GuiApp() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_gui";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        // Tests close windows without running the application's loop; nothing may quit it.
        QApplication::setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *app;
}

// Processes events until `done` holds, for at most `limitMs`; returns done().
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Runs `action` on the next modal window as soon as one is open (inside its own event loop).
// Disarmed when the returned guard goes away, whether or not a modal window came.
[[nodiscard]] inline std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget*)> action) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(5);
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, [t, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            t->stop();
            action(modal);
        }
    });
    timer->start();
    return timer;
}

// Types text as key presses, the way a keyboard sends it.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
        const int key = ch == QChar('\b') ? int(Qt::Key_Backspace) : int(ch.toUpper().unicode());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &release);
    }
}

inline void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

}  // namespace kelvora::test
