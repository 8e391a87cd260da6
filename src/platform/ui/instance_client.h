#pragma once
// What a starting instance asks the running ones over their local sockets.

#include <QString>
#include <QStringList>
#include <optional>

namespace quarrow {

// The full socket paths of this user's other live instances in `runtimeDirectory`, sorted by
// process id. Sockets left by instances that have ended are removed on the way.
QStringList LiveInstanceSockets(const QString& runtimeDirectory);

// The main window title of the instance at `socketPath`; nothing when it does not answer in time.
std::optional<QString> QueryInstanceTitle(const QString& socketPath, int timeoutMs = 1000);

// Asks the instance to close its main window and returns once the request has been taken,
// without waiting for the window to close. False when it was not taken in time.
bool RequestInstanceClose(const QString& socketPath, int timeoutMs = 1000);

}  // namespace quarrow
