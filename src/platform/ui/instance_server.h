#pragma once
// The local socket on which a running instance answers later instances: it tells its main
// window's title and takes a request to close that window. One socket per process, named
// "quarrow-<uid>-<pid>" in the runtime directory, so later instances find every live one by
// listing the directory.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace quarrow {

// Requests are one line; the answer is the rest of the stream up to the server's hang-up.
inline constexpr char kTitleRequest[] = "TITLE\n";
inline constexpr char kCloseRequest[] = "CLOSE\n";
inline constexpr char kCloseAccepted[] = "OK";

class InstanceServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceServer)

public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // The socket name prefix of this user's instances, and this process's full socket path.
    static QString SocketPrefix();
    static QString SocketPath(const QString& runtimeDirectory);

    // Removes the sockets of dead instances, then listens. False when the socket cannot be made
    // (for instance a directory path too long for a socket address).
    bool Listen(const QString& runtimeDirectory);
    QString FullSocketPath() const;

    // The window's title (empty until set) and its normal close path. The close runs from the
    // event loop after the asking instance has had its answer.
    void SetTitleProvider(std::function<QString()> title) { m_title = std::move(title); }
    void SetCloseHandler(std::function<void()> requestClose) { m_requestClose = std::move(requestClose); }

private:
    void AcceptConnections();
    void HandleRequest(QLocalSocket* socket);

    QLocalServer* m_server;
    std::function<QString()> m_title;
    std::function<void()> m_requestClose;
};

}  // namespace quarrow
