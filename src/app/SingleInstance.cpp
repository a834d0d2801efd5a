#include "app/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "common/BuildInfo.h"

namespace ornyx::app {

namespace {

// A request is one short line; anything longer is not ours.
constexpr qsizetype kMaxRequest = 4096;

}  // namespace

SingleInstance::SingleInstance(const QString& fallbackFolder) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists()) folder = fallbackFolder;
    QDir().mkpath(folder);
    path_ = QDir(folder).filePath("Z93Mutex");
    socket_ = QDir(folder).filePath(QString::fromUtf8(kAppId) + ".socket");
    fd_ = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A lock that cannot be taken for another reason than a running instance
    // (unwritable folder) must not keep the program from starting.
    if (fd_ < 0) {
        acquired_ = true;
        return;
    }
    acquired_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
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

ActivationServer::ActivationServer(const QString& socketPath, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    // We hold the lock, so a socket left there belongs to a crashed instance.
    QLocalServer::removeServer(socketPath);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(socketPath);
    connect(server_, &QLocalServer::newConnection, this, &ActivationServer::Accept);
}

bool ActivationServer::Listening() const {
    return server_->isListening();
}

QString ActivationServer::ErrorString() const {
    return server_->errorString();
}

void ActivationServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never finishes its line must not hold the socket open.
        QTimer::singleShot(2000, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequest) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine()) return;
            const QByteArray line = socket->readLine(kMaxRequest).trimmed();
            if (line == "activate" || line.startsWith("activate ")) {
                socket->write("ok\n");
                socket->flush();
                emit activationRequested(line.mid(9));
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace ornyx::app
