#pragma once
// A screen reader's view of this process's windows: a private X display and session bus, on
// which the accessibility bus and its registry start on demand as on a desktop, and a client
// that reads the windows over that bus through Qt's AT-SPI bridge, as Orca does through libatspi.
// Linux only.
#include <sys/prctl.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <string>
#include <vector>

namespace kelvora::test {

// Xvfb and a session bus of their own, stopped with this object (or, should the test die, with
// the test: they get SIGTERM when it ends). The accessibility bus launcher, started by the
// session bus on the bridge's first request, ends with it, and the registry with that.
class PrivateDesktop {
public:
    PrivateDesktop() = default;
    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;
    ~PrivateDesktop() { Stop(); }

    // Starts both with `runtimeDir` as the user's runtime folder (where the accessibility bus
    // puts its socket). Returns why it could not, or "" when both run.
    std::string Start(const QString& runtimeDir) {
        for (const char* tool : {"Xvfb", "dbus-daemon"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return std::string(tool) + " is not installed (Debian packages xvfb, dbus-daemon)";
        if (!QFile::exists("/usr/share/dbus-1/services/org.a11y.Bus.service"))
            return "the AT-SPI bus launcher is not installed (Debian package at-spi2-core)";
        const auto endsWithUs = [] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); };
        xvfb_.setChildProcessModifier(endsWithUs);
        bus_.setChildProcessModifier(endsWithUs);
        // Xvfb takes the first free display and writes its number once it accepts clients.
        xvfb_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        const QByteArray display = FirstLine(xvfb_);
        if (display.isEmpty()) return "Xvfb did not start: " + xvfb_.readAllStandardError().toStdString();
        this->display = ":" + QString::fromLatin1(display);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", this->display);
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        bus_.setProcessEnvironment(env);
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        sessionBus = QString::fromLatin1(FirstLine(bus_));
        if (sessionBus.isEmpty()) return "dbus-daemon did not start: " + bus_.readAllStandardError().toStdString();
        return {};
    }

    void Stop() {
        for (QProcess* p : {&bus_, &xvfb_})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) p->kill(), p->waitForFinished(2000);
            }
    }

    QString display, sessionBus;

private:
    // The first line the process writes within ten seconds, without its end; empty if none.
    static QByteArray FirstLine(QProcess& p) {
        QElapsedTimer clock;
        clock.start();
        while (!p.canReadLine() && p.state() != QProcess::NotRunning && clock.elapsed() < 10000)
            p.waitForReadyRead(100);
        return p.canReadLine() ? p.readLine().trimmed() : QByteArray();
    }

    QProcess xvfb_, bus_;
};

// An accessible object on the bus.
struct AtSpiRef {
    QString service;
    QString path;
    bool operator==(const AtSpiRef&) const = default;
};

// AT-SPI's relation and state numbers (atspi-constants.h).
constexpr uint AtSpiRelationLabelFor = 1, AtSpiRelationLabelledBy = 2;
constexpr int AtSpiStateChecked = 4, AtSpiStateEditable = 7, AtSpiStateEnabled = 8, AtSpiStateFocused = 12,
              AtSpiStateSensitive = 24, AtSpiStateShowing = 25, AtSpiStateIndeterminate = 32, AtSpiStateReadOnly = 43;

// Reads the accessible objects over the accessibility bus. Each call waits for its answer (five
// seconds at most) while this process goes on handling its events, since the bridge that
// answers may live in this very process. After one call went unanswered every later call fails
// at once, so a bridge that hangs fails a test in seconds instead of stalling it call by call.
class AtSpiClient {
public:
    ~AtSpiClient() {
        if (connected_) QDBusConnection::disconnectFromBus(Name());
    }

    // Asks the session bus for the accessibility bus and connects to it; "" when connected.
    std::string Connect(const QString& sessionBus) {
        QDBusConnection session = QDBusConnection::connectToBus(sessionBus, Name() + "-session");
        if (!session.isConnected()) return "no session bus: " + session.lastError().message().toStdString();
        const QDBusMessage reply = Call(
            session, QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        QDBusConnection::disconnectFromBus(Name() + "-session");
        if (reply.type() != QDBusMessage::ReplyMessage)
            return "no accessibility bus: " + reply.errorMessage().toStdString();
        QDBusConnection a11y = QDBusConnection::connectToBus(reply.arguments().value(0).toString(), Name());
        connected_ = true;
        if (!a11y.isConnected())
            return "cannot reach the accessibility bus: " + a11y.lastError().message().toStdString();
        return {};
    }
    QDBusConnection Bus() const { return QDBusConnection(Name()); }

    QDBusMessage Call(const AtSpiRef& ref, const QString& interface, const QString& method,
                      const QVariantList& args = {}) const {
        QDBusMessage message = QDBusMessage::createMethodCall(ref.service, ref.path, interface, method);
        message.setArguments(args);
        return Call(Bus(), message);
    }
    QVariant Property(const AtSpiRef& ref, const QString& interface, const QString& name) const {
        const QDBusMessage reply = Call(ref, "org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    // The registry's desktop, and the application there that is this process.
    static AtSpiRef Desktop() { return {"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"}; }
    std::vector<AtSpiRef> Applications() const { return Children(Desktop()); }
    AtSpiRef ThisApplication() const {
        for (const AtSpiRef& app : Applications()) {
            const QDBusMessage pid =
                Call(Bus(), QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                           "org.freedesktop.DBus", "GetConnectionUnixProcessID")
                                << app.service);
            if (pid.arguments().value(0).toLongLong() == QCoreApplication::applicationPid()) return app;
        }
        return {};
    }

    QString Name(const AtSpiRef& ref) const { return Property(ref, Accessible, "Name").toString(); }
    QString Description(const AtSpiRef& ref) const { return Property(ref, Accessible, "Description").toString(); }
    QString RoleName(const AtSpiRef& ref) const {
        return Call(ref, Accessible, "GetRoleName").arguments().value(0).toString();
    }
    QStringList Interfaces(const AtSpiRef& ref) const {
        return Call(ref, Accessible, "GetInterfaces").arguments().value(0).toStringList();
    }
    std::vector<AtSpiRef> Children(const AtSpiRef& ref) const {
        std::vector<AtSpiRef> children;
        const QDBusArgument list = Call(ref, Accessible, "GetChildren").arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) children.push_back(ReadRef(list));
        list.endArray();
        return children;
    }
    bool HasState(const AtSpiRef& ref, int state) const {
        const QDBusArgument words = Call(ref, Accessible, "GetState").arguments().value(0).value<QDBusArgument>();
        std::vector<uint> bits;
        words.beginArray();
        while (!words.atEnd()) {
            uint word = 0;
            words >> word;
            bits.push_back(word);
        }
        words.endArray();
        return static_cast<size_t>(state / 32) < bits.size() &&
               (bits[static_cast<size_t>(state / 32)] >> (state % 32) & 1u);
    }
    // The targets of the relations of one type.
    std::vector<AtSpiRef> Related(const AtSpiRef& ref, uint type) const {
        std::vector<AtSpiRef> targets;
        const QDBusArgument set = Call(ref, Accessible, "GetRelationSet").arguments().value(0).value<QDBusArgument>();
        set.beginArray();
        while (!set.atEnd()) {
            uint relation = 0;
            set.beginStructure();
            set >> relation;
            set.beginArray();
            while (!set.atEnd()) {
                const AtSpiRef target = ReadRef(set);
                if (relation == type) targets.push_back(target);
            }
            set.endArray();
            set.endStructure();
        }
        set.endArray();
        return targets;
    }
    QString Text(const AtSpiRef& ref) const {
        return Call(ref, "org.a11y.atspi.Text", "GetText", {0, -1}).arguments().value(0).toString();
    }
    double Value(const AtSpiRef& ref) const { return Property(ref, "org.a11y.atspi.Value", "CurrentValue").toDouble(); }
    QStringList Actions(const AtSpiRef& ref) const {
        QStringList names;
        const QDBusArgument list =
            Call(ref, "org.a11y.atspi.Action", "GetActions").arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString name, description, keys;
            list.beginStructure();
            list >> name >> description >> keys;
            list.endStructure();
            names << name;
        }
        list.endArray();
        return names;
    }
    bool DoAction(const AtSpiRef& ref, const QString& name) const {
        const int index = static_cast<int>(Actions(ref).indexOf(name));
        return index >= 0 && Call(ref, "org.a11y.atspi.Action", "DoAction", {index}).arguments().value(0).toBool();
    }

    static inline const QString Accessible = "org.a11y.atspi.Accessible";

private:
    QString Name() const { return QStringLiteral("kelvora-atspi-client"); }

    static AtSpiRef ReadRef(const QDBusArgument& arg) {
        AtSpiRef ref;
        QDBusObjectPath path;
        arg.beginStructure();
        arg >> ref.service >> path;
        arg.endStructure();
        ref.path = path.path();
        return ref;
    }

    QDBusMessage Call(const QDBusConnection& bus, const QDBusMessage& message) const {
        if (unanswered_) return message.createErrorReply(QDBusError::Timeout, "an earlier call went unanswered");
        QDBusPendingCall call = bus.asyncCall(message, 5000);
        QElapsedTimer clock;
        clock.start();
        while (!call.isFinished() && clock.elapsed() < 6000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const QDBusMessage reply =
            call.isFinished() ? call.reply() : message.createErrorReply(QDBusError::Timeout, "no answer");
        const QDBusError::ErrorType error = QDBusError(reply).type();
        unanswered_ = error == QDBusError::NoReply || error == QDBusError::Timeout || error == QDBusError::TimedOut;
        return reply;
    }

    bool connected_ = false;
    mutable bool unanswered_ = false;
};

}  // namespace kelvora::test
