#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

namespace kelvora {

// One running program per user. The first start listens on a local socket of a per-user name;
// a later start finds it, asks it to come to the front, and ends without touching anything.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName = DefaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "kelvora-", the user's id and a digest of the program folder: one instance per user and
    // installation, since each installation keeps its own settings beside it.
    static QString DefaultServerName();
    static QString ServerNameFor(const QString& programFolder);
    const QString& ServerName() const { return name_; }

    // Decides at start-up: false when another instance runs (it was asked to come to the front
    // and this one should end); true otherwise, listening for later starts when it can.
    bool Claim();

    // True when another instance answered and was asked to come to the front.
    bool NotifyRunning();
    // Listens for later starts; a name left behind by a crashed instance is taken over. False
    // when another instance took the name first (it was notified) or listening failed.
    bool Listen();
    bool Listening() const { return server_ != nullptr; }

signals:
    // A later start asked this instance to show its window.
    void ActivateRequested();

private:
    // Connects to a running instance; with `activate` asks it to come to the front.
    bool Reach(bool activate);
    void OnConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kelvora
