#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace kelvora {

namespace platform {
class FileLock;
}

// One running program per user and installation. The first start takes a lock file in a folder
// only the user can reach and listens on a local socket beside it; a later start finds the lock
// taken, asks the holder to come to the front (handing over the path it was given, if any), and
// ends without touching anything. The lock, not
// the socket, decides who is first: it goes with its holder, however that ends, so a socket left
// behind by a crash is simply replaced and two starts at once can never both win.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // In the user's private runtime folder, named for this installation.
    explicit SingleInstance(QObject* parent = nullptr);
    // In `folder`, which must be private to the user (tests).
    SingleInstance(QString folder, QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "kelvora-", the user's id and a digest of the program folder: each installation keeps its
    // own settings.
    static QString ServerNameFor(const QString& programFolder);
    // The socket's full path (on Windows the pipe's name); empty when no private folder could be had.
    QString EndpointPath() const;

    // Decides at start-up: false when another instance runs (it was asked to come to the front,
    // and given `path` when there is one, and this one should end); true otherwise, listening for
    // later starts when it can. Without a private folder the program runs unguarded rather than
    // not at all.
    bool Claim(const QByteArray& path = {});
    bool Listening() const { return server_ != nullptr; }

signals:
    // A later start asked this instance to show its window, with the path it was given ("" for
    // none).
    void ActivateRequested(const QByteArray& path);

private:
    // Connects to the running instance and asks it to come to the front.
    bool Reach(const QByteArray& path);
    void Listen();
    void OnConnection();

    QString folder_;
    QString name_;
    std::unique_ptr<platform::FileLock> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kelvora
