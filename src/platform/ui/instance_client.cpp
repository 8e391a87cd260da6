#include "platform/ui/instance_client.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <vector>

#include "platform/ui/instance_server.h"

namespace quarrow {

namespace {

bool ProcessEnded(qint64 pid) {
    return pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

// Sends one request and reads the answer up to the peer's hang-up.
std::optional<QByteArray> Ask(const QString& socketPath, const char* request, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        return std::nullopt;
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return std::nullopt;
    }
    QByteArray answer;
    while (socket.state() == QLocalSocket::ConnectedState) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            if (socket.state() == QLocalSocket::ConnectedState) {
                return std::nullopt;  // no answer in time
            }
            break;
        }
        answer += socket.readAll();
    }
    answer += socket.readAll();
    return answer;
}

}  // namespace

QStringList LiveInstanceSockets(const QString& runtimeDirectory) {
    const QString prefix = InstanceServer::SocketPrefix();
    const QDir directory(runtimeDirectory);
    const QStringList names = directory.entryList({prefix + QLatin1Char('*')},
                                                  QDir::System | QDir::Files | QDir::Hidden);
    std::vector<std::pair<qint64, QString>> live;
    const qint64 ownPid = getpid();
    for (const QString& name : names) {
        bool isNumber = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&isNumber);
        if (!isNumber || pid == ownPid) {
            continue;
        }
        const QString path = directory.filePath(name);
        if (ProcessEnded(pid)) {
            QFile::remove(path);
            continue;
        }
        live.emplace_back(pid, path);
    }
    std::sort(live.begin(), live.end());
    QStringList paths;
    for (auto& entry : live) {
        paths.append(std::move(entry.second));
    }
    return paths;
}

std::optional<QString> QueryInstanceTitle(const QString& socketPath, int timeoutMs) {
    const std::optional<QByteArray> answer = Ask(socketPath, kTitleRequest, timeoutMs);
    if (!answer) {
        return std::nullopt;
    }
    return QString::fromUtf8(*answer);
}

bool RequestInstanceClose(const QString& socketPath, int timeoutMs) {
    const std::optional<QByteArray> answer = Ask(socketPath, kCloseRequest, timeoutMs);
    return answer && *answer == kCloseAccepted;
}

}  // namespace quarrow
