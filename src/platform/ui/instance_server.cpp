#include "platform/ui/instance_server.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <unistd.h>

#include "platform/ui/instance_client.h"

namespace quarrow {

namespace {

constexpr qsizetype kMaxRequestBytes = 64;
constexpr int kIdleConnectionMs = 5000;

}  // namespace

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    // Only this user may ask a window to close.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::AcceptConnections);
}

InstanceServer::~InstanceServer() {
    m_server->close();  // removes the socket file
}

QString InstanceServer::SocketPrefix() {
    return QStringLiteral("quarrow-%1-").arg(getuid());
}

QString InstanceServer::SocketPath(const QString& runtimeDirectory) {
    return runtimeDirectory + QLatin1Char('/') + SocketPrefix() + QString::number(getpid());
}

QString InstanceServer::FullSocketPath() const { return m_server->fullServerName(); }

bool InstanceServer::Listen(const QString& runtimeDirectory) {
    LiveInstanceSockets(runtimeDirectory);  // sweeps the sockets of ended instances
    const QString path = SocketPath(runtimeDirectory);
    QLocalServer::removeServer(path);  // left by an ended process that had this process id
    return m_server->listen(path);
}

void InstanceServer::AcceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { HandleRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never finishes its request is dropped.
        QTimer::singleShot(kIdleConnectionMs, socket, [socket] { socket->abort(); socket->deleteLater(); });
        if (socket->bytesAvailable() > 0) {
            HandleRequest(socket);
        }
    }
}

void InstanceServer::HandleRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
        }
        return;
    }
    const QByteArray request = socket->readLine(kMaxRequestBytes + 1);
    if (request == kTitleRequest) {
        socket->write(m_title ? m_title().toUtf8() : QByteArray());
        socket->disconnectFromServer();  // sends what is written, then hangs up
    } else if (request == kCloseRequest) {
        socket->write(kCloseAccepted);
        socket->disconnectFromServer();
        // The close runs later from the event loop, like a posted message.
        QTimer::singleShot(0, this, [this] {
            if (m_requestClose) {
                m_requestClose();
            }
        });
    } else {
        socket->abort();
    }
}

}  // namespace quarrow
