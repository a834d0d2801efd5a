#include "app/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "common/BuildInfo.h"

namespace ornyx::app {

namespace {

// Nobody but us may place or replace the lock or the socket in the folder
// that holds them: it is ours and no one else may write to it.
bool OursAlone(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The runtime folder is named by the user's own session, so a link there is
// the session's choice; it still has to be private.
bool UsableRuntimeFolder(const QByteArray& folder, QString& why) {
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0) {
        why = QString::fromLocal8Bit(folder) + ": " + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode) || !OursAlone(st)) {
        why = QString::fromLocal8Bit(folder) + " is not a folder of this user alone";
        return false;
    }
    return true;
}

// The fallback lies in the shared temp folder, where anyone could have made
// it first: we make it 0700 ourselves and take it only as such, never
// through a link.
bool UsableFallbackFolder(const QByteArray& folder, QString& why) {
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        why = QString::fromLocal8Bit(folder) + ": " + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || !OursAlone(st) ||
        (st.st_mode & 077) != 0) {
        why = QString::fromLocal8Bit(folder) + " is not a private folder of this user";
        return false;
    }
    return true;
}

}  // namespace

QString SingleInstance::DefaultFallbackFolder() {
    return QDir::tempPath() + "/ornyx-mouse-" + QString::number(::geteuid());
}

SingleInstance::SingleInstance(const QString& fallbackFolder) {
    QString why;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && UsableRuntimeFolder(runtime.toLocal8Bit(), why) &&
        TakeLock(runtime, why)) {
        return;
    }
    QString fallbackWhy;
    if (UsableFallbackFolder(fallbackFolder.toLocal8Bit(), fallbackWhy) &&
        TakeLock(fallbackFolder, fallbackWhy)) {
        return;
    }
    // Without a folder we can trust, the program still starts: a lock we
    // cannot take must not keep the user from the mouse (the program home
    // has its own lock for the files).
    acquired_ = true;
    problem_ = (why.isEmpty() ? QString() : why + "; ") + fallbackWhy;
}

bool SingleInstance::TakeLock(const QString& folder, QString& why) {
    const QString path = QDir(folder).filePath("Z93Mutex");
    const int fd = ::open(path.toLocal8Bit().constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = path + ": " + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Only a file of ours is held by an instance of ours.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        why = path + " is not a lock file of this user";
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        acquired_ = true;
    } else if (errno != EWOULDBLOCK) {
        why = path + ": " + QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    lock_ = fd;
    path_ = path;
    socket_ = QDir(folder).filePath(QString::fromUtf8(kAppId) + ".socket");
    return true;
}

SingleInstance::~SingleInstance() {
    if (lock_ >= 0) ::close(static_cast<int>(lock_));
}

namespace {

// One attempt: connect, send the request, wait for "ok". -1 when nobody
// listens yet (worth another try), 0 on an answer, 1 on a broken exchange.
int TryActivate(const QByteArray& path, const QByteArray& request, int waitMs, QString& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path)) {
        error = "the socket path is too long: " + QString::fromLocal8Bit(path);
        return 1;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    // The request carries the desktop's activation token: it goes to an
    // instance of this user only.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (!S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
        error = QString::fromLocal8Bit(path) + " is not a socket of this user";
        return 1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return 1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    // Who listens matters, not only who owns the file.
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
        error = "the process on " + QString::fromLocal8Bit(path) + " is not of this user";
        ::close(fd);
        return 1;
    }
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.constData() + sent,
                                 static_cast<std::size_t>(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "the running instance closed the connection";
            ::close(fd);
            return 1;
        }
        sent += n;
    }
    QByteArray reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!reply.contains('\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buffer, n);
        if (reply.size() > kMaxRequest) break;
    }
    ::close(fd);
    if (reply.startsWith("ok\n")) return 0;
    error = "the running instance did not answer";
    return 1;
}

}  // namespace

bool ActivateRunningInstance(const QString& socketPath, const QByteArray& token, int timeoutMs,
                             QString& error) {
    QByteArray request = "activate";
    // The token travels on one line; a line break in it would forge a second request.
    if (!token.isEmpty() && !token.contains('\n') && token.size() < kMaxRequest / 2) {
        request += ' ' + token;
    }
    request += '\n';
    const QByteArray path = socketPath.toLocal8Bit();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int outcome =
            TryActivate(path, request, std::max<int>(static_cast<int>(left.count()), 200), error);
        if (outcome >= 0) return outcome == 0;
        if (left.count() <= 0) {
            error = "no running instance answers on " + socketPath + " (" + error + ")";
            return false;
        }
        QThread::msleep(50);
    }
}

}  // namespace ornyx::app
