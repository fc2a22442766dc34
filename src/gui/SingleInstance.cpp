#include "gui/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/UserFolders.h"

#if defined(_WIN32)
#include <QProcessEnvironment>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kelvora {

namespace {
const QByteArray ActivateMessage = "activate\n";
constexpr int ConnectTimeoutMs = 1000;
// The holder of the lock listens right after taking it; this long it may take to get there.
constexpr int HolderPatienceMs = 10000;
}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : SingleInstance(QString::fromStdString(platform::PrivateRuntimeFolder()),
                     ServerNameFor(QCoreApplication::applicationDirPath()), parent) {}

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerNameFor(const QString& programFolder) {
#if defined(_WIN32)
    const QString user = QProcessEnvironment::systemEnvironment().value(QStringLiteral("USERNAME"));
#else
    const QString user = QString::number(getuid());
#endif
    const QByteArray digest = QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("kelvora-") + user + QStringLiteral("-") + QString::fromLatin1(digest.left(12));
}

QString SingleInstance::EndpointPath() const {
    if (folder_.isEmpty()) return QString();
#if defined(_WIN32)
    // Pipes have a namespace of their own, and their names hold no separators; the lock file
    // still lies in the folder.
    return name_;
#else
    return folder_ + "/" + name_;
#endif
}

bool SingleInstance::Claim(const QByteArray& path) {
    if (folder_.isEmpty()) return true;
    const QString lockPath = QDir::toNativeSeparators(folder_ + "/" + name_ + ".lock");
    lock_ = std::make_unique<platform::FileLock>(lockPath.toStdString());
    if (lock_->Held()) {
        Listen();
        return true;
    }
    if (!lock_->Busy()) {
        lock_.reset();  // no lock to be had at all: unguarded, as without a private folder
        return true;
    }
    // Another instance holds the lock, so it runs: this one ends either way, once it has asked
    // the other to come forward (or the other never got as far as listening).
#if defined(_WIN32)
    // Windows lets only the program the user just started take the foreground; it hands that
    // right on, so the first instance's window can come forward instead of only flashing.
    ::AllowSetForegroundWindow(ASFW_ANY);
#endif
    const QDeadlineTimer deadline(HolderPatienceMs);
    while (!Reach(path) && !deadline.hasExpired()) QThread::msleep(20);
    return false;
}

bool SingleInstance::Reach(const QByteArray& path) {
    QLocalSocket socket;
    socket.connectToServer(EndpointPath());
    if (!socket.waitForConnected(ConnectTimeoutMs)) return false;
    // The path as bytes to the NUL: a name may hold line breaks.
    socket.write(ActivateMessage + path + '\0');
    socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(ConnectTimeoutMs);
    return true;
}

void SingleInstance::Listen() {
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock's holder comes here: whatever lies at the name was left by a crash.
    QLocalServer::removeServer(EndpointPath());
    if (!server->listen(EndpointPath())) return;  // the program runs; a later start waits, then ends
    server_ = server.release();
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // What has come so far; handled once, when the message is whole or the sender has gone.
        auto received = std::make_shared<QByteArray>();
        auto handled = std::make_shared<bool>(false);
        auto take = [this, socket, received, handled](bool ended) {
            if (*handled) return;
            received->append(socket->readAll());
            if (!received->startsWith(ActivateMessage)) {
                if (ended || received->size() >= ActivateMessage.size()) *handled = true;  // not ours
                return;
            }
            const qsizetype end = received->indexOf('\0', ActivateMessage.size());
            if (end < 0 && !ended) return;
            *handled = true;
            emit ActivateRequested(end < 0 ? QByteArray() : received->mid(ActivateMessage.size(), end - ActivateMessage.size()));
        };
        connect(socket, &QLocalSocket::readyRead, this, [take] { take(false); });
        connect(socket, &QLocalSocket::disconnected, this, [take, socket] {
            take(true);
            socket->deleteLater();
        });
        // The message may already be there.
        take(socket->state() != QLocalSocket::ConnectedState);
    }
}

}  // namespace kelvora
