#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;

namespace ornyx::app {

// The single-instance rule: an exclusive lock on a file named "Z93Mutex" in
// $XDG_RUNTIME_DIR (or the fallback folder). The lock goes with the process,
// so a crash never leaves a stale lock behind. Beside it lies the socket on
// which the running instance takes requests to show its window.
class SingleInstance {
public:
    explicit SingleInstance(const QString& fallbackFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock.
    bool Acquired() const { return acquired_; }
    QString LockPath() const { return path_; }
    QString SocketPath() const { return socket_; }

private:
    QString path_;
    QString socket_;
    int fd_ = -1;
    bool acquired_ = false;
};

// Asks the running instance on `socketPath` to show and raise its window,
// handing on the desktop's activation token (may be empty) so that the
// desktop lets it take the focus. Keeps trying for `timeoutMs`, since that
// instance may still be starting. Works without a QCoreApplication.
// Returns false with a reason when no instance answered.
bool ActivateRunningInstance(const QString& socketPath, const QByteArray& token, int timeoutMs,
                             QString& error);

// The running instance's side: listens on the socket and announces each
// request. Only the lock holder may create it (it removes a stale socket).
class ActivationServer : public QObject {
    Q_OBJECT
public:
    explicit ActivationServer(const QString& socketPath, QObject* parent = nullptr);
    bool Listening() const;
    QString ErrorString() const;

signals:
    void activationRequested(const QByteArray& token);

private:
    void Accept();
    QLocalServer* server_;
};

}  // namespace ornyx::app
