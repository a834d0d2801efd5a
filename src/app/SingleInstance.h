#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;

namespace ornyx::app {

// The single-instance rule: an exclusive lock on a file named "Z93Mutex" in
// $XDG_RUNTIME_DIR, or in the fallback folder when that is missing, cannot
// hold the lock, or is not this user's alone. The lock goes with the process,
// so a crash never leaves a stale lock behind. Beside it lies the socket on
// which the running instance takes requests to show its window.
class SingleInstance {
public:
    // The fallback folder is made 0700 here and used only as such.
    explicit SingleInstance(const QString& fallbackFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // <temp folder>/ornyx-mouse-<uid>: local to the machine, like the
    // runtime folder, and short enough for a socket's name.
    static QString DefaultFallbackFolder();

    // False when another instance holds the lock.
    bool Acquired() const { return acquired_; }
    // Both empty when no folder could be trusted with the lock; the program
    // then runs without one, and Problem() says why.
    QString LockPath() const { return path_; }
    QString SocketPath() const { return socket_; }
    QString Problem() const { return problem_; }

private:
    bool TakeLock(const QString& folder, QString& why);

    QString path_;
    QString socket_;
    QString problem_;
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
