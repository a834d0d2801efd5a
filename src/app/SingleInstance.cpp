#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace ornyx::app {

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
