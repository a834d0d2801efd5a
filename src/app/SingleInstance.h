#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class QLocalServer;

namespace ornyx::app {

// A request is one short line; anything longer is not ours.
inline constexpr qsizetype kMaxRequest = 4096;

// The single-instance rule. Linux: an exclusive lock on a file named
// "Z93Mutex" in $XDG_RUNTIME_DIR, or in the fallback folder when that is
// missing, cannot hold the lock, or is not this user's alone; beside it lies
// the socket on which the running instance takes requests to show its window.
// Windows: the mutex "Z93Mutex" of the user's session, and a named pipe of
// this session and user for the requests (the fallback folder is not used).
// Either goes with the process, so a crash never leaves a stale lock behind.
class SingleInstance {
public:
    // The fallback folder is made 0700 here and used only as such.
    explicit SingleInstance(const QString& fallbackFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // <temp folder>/ornyx-mouse-<uid>: local to the machine, like the
    // runtime folder, and short enough for a socket's name (Linux).
    static QString DefaultFallbackFolder();

    // False when another instance holds the lock.
    bool Acquired() const { return acquired_; }
    // Both empty when no folder could be trusted with the lock (Windows: the
    // lock path is the mutex's name, the socket the pipe's); the program
    // then runs without one, and Problem() says why.
    QString LockPath() const { return path_; }
    QString SocketPath() const { return socket_; }
    QString Problem() const { return problem_; }

private:
    bool TakeLock(const QString& folder, QString& why);

    QString path_;
    QString socket_;
    QString problem_;
    // The lock file's descriptor, or the mutex's handle.
    std::intptr_t lock_ = -1;
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
