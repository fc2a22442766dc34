#include "gui/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

#if defined(_WIN32)
#include <QProcessEnvironment>
#else
#include <unistd.h>
#endif

namespace kelvora {

namespace {
const QByteArray ActivateMessage = "activate\n";
constexpr int ConnectTimeoutMs = 1000;
}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent) : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName() { return ServerNameFor(QCoreApplication::applicationDirPath()); }

QString SingleInstance::ServerNameFor(const QString& programFolder) {
#if defined(_WIN32)
    const QString user = QProcessEnvironment::systemEnvironment().value(QStringLiteral("USERNAME"));
#else
    const QString user = QString::number(getuid());
#endif
    const QByteArray digest = QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("kelvora-") + user + QStringLiteral("-") + QString::fromLatin1(digest.left(12));
}

bool SingleInstance::Claim() {
    if (NotifyRunning()) return false;
    if (Listen()) return true;
    // Listening failed: end only when that is because another start got there first.
    return !NotifyRunning();
}

bool SingleInstance::NotifyRunning() { return Reach(true); }

bool SingleInstance::Reach(bool activate) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(ConnectTimeoutMs)) return false;
    if (activate) {
        socket.write(ActivateMessage);
        socket.waitForBytesWritten(ConnectTimeoutMs);
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(ConnectTimeoutMs);
    return true;
}

bool SingleInstance::Listen() {
    if (server_) return true;
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // Someone may have started between our look and our listen.
        if (Reach(false)) return false;
        // Nobody answers on the name: a crashed instance left it behind.
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) return false;
    }
    server_ = server.release();
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(ActivateMessage.trimmed())) emit ActivateRequested();
        });
        // The message may already be there.
        if (socket->bytesAvailable() > 0 && socket->readAll().contains(ActivateMessage.trimmed()))
            emit ActivateRequested();
    }
}

}  // namespace kelvora
