#pragma once
// A screen reader's view of this process's windows: a private X display and session bus, on
// which the accessibility bus and its registry start on demand as on a desktop, and a client
// that reads the windows over that bus through Qt's AT-SPI bridge, as Orca does through libatspi.
// Linux only.
#include <sys/prctl.h>

#include <QtCore>
#include <QtDBus>
#include <csignal>
#include <string>

namespace kelvora::test {

// Xvfb and a session bus of their own, stopped with this object (or, should the test die, with
// the test: they get SIGTERM when it ends). The accessibility bus launcher, started by the
// session bus on the bridge's first request, ends with it, and the registry with that.
class PrivateDesktop {
public:
    // A process still running then is killed by its QProcess.
    ~PrivateDesktop() { for (QProcess* p : {&bus_, &xvfb_}) p->terminate(), p->waitForFinished(5000); }

    // Starts both with `runtimeDir` as the user's runtime folder (where the accessibility bus
    // puts its socket), and points this process at them. Returns why it could not, or "" when both run.
    std::string Start(const QString& runtimeDir) {
        const auto endsWithUs = [] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); };
        xvfb_.setChildProcessModifier(endsWithUs);
        bus_.setChildProcessModifier(endsWithUs);
        // Xvfb takes the first free display and writes its number once it accepts clients.
        xvfb_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        const QString display = FirstLine(xvfb_);
        if (display.isEmpty()) return "Xvfb did not start (Debian package xvfb)";
        qputenv("DISPLAY", (":" + display).toLocal8Bit()), qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        const QString sessionBus = FirstLine(bus_);
        if (sessionBus.isEmpty()) return "dbus-daemon did not start (Debian package dbus-daemon)";
        qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus.toLocal8Bit());
        return {};
    }

private:
    // The first line the process writes within ten seconds, without its end; empty if none.
    static QString FirstLine(QProcess& p) {
        for (int i = 0; i < 100 && !p.canReadLine() && p.state() != QProcess::NotRunning; ++i) p.waitForReadyRead(100);
        return p.canReadLine() ? QString::fromLatin1(p.readLine().trimmed()) : QString();
    }

    QProcess xvfb_, bus_;
};

// An accessible object on the bus: its service and its object path.
using AtSpiRef = QPair<QString, QDBusObjectPath>;

// AT-SPI's relation and state numbers (atspi-constants.h).
constexpr uint AtSpiRelationLabelledBy = 2;
constexpr int AtSpiStateChecked = 4, AtSpiStateSensitive = 24, AtSpiStateIndeterminate = 32, AtSpiStateReadOnly = 43;

// Reads the accessible objects over the accessibility bus. Each call waits for its answer (five
// seconds at most) while this process goes on handling its events, since the bridge that
// answers may live in this very process. After one call went unanswered every later call fails
// at once, so a bridge that hangs fails a test in seconds instead of stalling it call by call.
class AtSpiClient {
public:
    ~AtSpiClient() { QDBusConnection::disconnectFromBus(Connection); }

    // Asks the session bus for the accessibility bus and connects to it; "" when connected.
    std::string Connect() {
        const QDBusMessage get = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
        const QDBusMessage reply = Call(QDBusConnection::sessionBus(), get);
        if (reply.type() != QDBusMessage::ReplyMessage)  // its launcher comes with at-spi2-core
            return "no accessibility bus (Debian package at-spi2-core): " + reply.errorMessage().toStdString();
        const QDBusConnection a11y = QDBusConnection::connectToBus(reply.arguments().value(0).toString(), Connection);
        return a11y.isConnected() ? "" : "cannot reach the accessibility bus: " + a11y.lastError().message().toStdString();
    }
    QDBusConnection Bus() const { return QDBusConnection(Connection); }

    QDBusMessage Call(const AtSpiRef& ref, const QString& interface, const QString& method, const QVariantList& args = {}) const {
        QDBusMessage message = QDBusMessage::createMethodCall(ref.first, ref.second.path(), interface, method);
        message.setArguments(args);
        return Call(Bus(), message);
    }
    // The first value of the answer, unpacked as `T`.
    template <typename T = QDBusArgument>
    T Get(const AtSpiRef& ref, const QString& method, const QVariantList& args = {}, const QString& iface = Accessible) const {
        return Call(ref, iface, method, args).arguments().value(0).template value<T>();
    }
    QVariant Property(const AtSpiRef& ref, const QString& interface, const QString& name) const {
        return Get<QDBusVariant>(ref, "Get", {interface, name}, "org.freedesktop.DBus.Properties").variant();
    }

    // The application in the registry's desktop that is this process.
    AtSpiRef ThisApplication() const {
        for (const AtSpiRef& app : Children(AtSpiRef("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")))
            if (Get<qint64>(AtSpiRef("org.freedesktop.DBus", "/org/freedesktop/DBus"), "GetConnectionUnixProcessID", {app.first},
                            "org.freedesktop.DBus") == QCoreApplication::applicationPid())
                return app;
        return {};
    }

    QString Name(const AtSpiRef& ref) const { return Property(ref, Accessible, "Name").toString(); }
    QString Description(const AtSpiRef& ref) const { return Property(ref, Accessible, "Description").toString(); }
    QString RoleName(const AtSpiRef& ref) const { return Get<QString>(ref, "GetRoleName"); }
    QStringList Interfaces(const AtSpiRef& ref) const { return Get<QStringList>(ref, "GetInterfaces"); }
    QString Text(const AtSpiRef& ref) const { return Get<QString>(ref, "GetText", {0, -1}, "org.a11y.atspi.Text"); }
    double Value(const AtSpiRef& ref) const { return Property(ref, "org.a11y.atspi.Value", "CurrentValue").toDouble(); }
    // The answer's structured value read as `T`.
    template <typename T>
    T Read(const AtSpiRef& ref, const QString& method) const {
        T value;
        Get(ref, method) >> value;
        return value;
    }
    QList<AtSpiRef> Children(const AtSpiRef& ref) const { return Read<QList<AtSpiRef>>(ref, "GetChildren"); }
    bool HasState(const AtSpiRef& ref, int state) const {
        const auto words = Read<QList<uint>>(ref, "GetState");
        return state / 32 < words.size() && (words[state / 32] >> (state % 32) & 1u);
    }
    // The targets of the relations of one type.
    QList<AtSpiRef> Related(const AtSpiRef& ref, uint type) const {
        QList<AtSpiRef> targets;
        for (const auto& [relation, related] : Read<QList<QPair<uint, QList<AtSpiRef>>>>(ref, "GetRelationSet"))
            if (relation == type) targets += related;
        return targets;
    }

    static inline const QString Accessible = "org.a11y.atspi.Accessible", Connection = "kelvora-atspi-client";

private:
    // A call that waits for its answer while this process handles its events.
    QDBusMessage Call(const QDBusConnection& bus, const QDBusMessage& message) const {
        if (unanswered_) return message.createErrorReply(QDBusError::Timeout, "an earlier call went unanswered");
        const QDBusMessage reply = bus.call(message, QDBus::BlockWithGui, 5000);
        const QDBusError::ErrorType error = QDBusError(reply).type();
        unanswered_ = error == QDBusError::NoReply || error == QDBusError::Timeout || error == QDBusError::TimedOut;
        return reply;
    }

    mutable bool unanswered_ = false;
};

}  // namespace kelvora::test
