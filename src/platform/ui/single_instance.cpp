#include "platform/ui/single_instance.h"

#include <QDir>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/ui/instance_client.h"
#include "platform/ui/instance_directory.h"
#include "platform/ui/instance_server.h"

namespace quarrow {

namespace {

constexpr char kInstanceLockName[] = "QUARROW-MUTEXCHECKSTRING";

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

QString FromLocal(const std::string& path) { return QString::fromLocal8Bit(path.data(), qsizetype(path.size())); }

}  // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() { Release(); }

std::string SingleInstance::RuntimeDirectory(const std::string& fallbackDirectory) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsDirectory(runtime)) {
        return runtime;
    }
    QDir().mkpath(FromLocal(fallbackDirectory));
    return fallbackDirectory;
}

std::unique_ptr<SingleInstance> SingleInstance::Apply(const SingleInstanceOptions& options,
                                                      const std::string& runtimeDirectoryOverride) {
    std::unique_ptr<SingleInstance> instance(new SingleInstance);
    const std::string runtimeDirectory = runtimeDirectoryOverride.empty()
                                             ? RuntimeDirectory(options.fallbackDirectory)
                                             : runtimeDirectoryOverride;
    // The lock and the sockets in one place, so that a later instance looks where this one is.
    // Without a usable place the lock may still work and the socket reports its failure.
    std::string directory = InstanceDirectory(runtimeDirectory);
    if (directory.empty()) {
        directory = runtimeDirectory;
    }
    const QString runtime = FromLocal(directory);

    if (options.applyRule) {
        // A lock that cannot be taken skips the rule silently; start-up goes on.
        SingleInstanceOutcome& outcome = instance->m_outcome;
        outcome.lockHeld = instance->m_lock.Acquire(directory + '/' + kInstanceLockName);
        outcome.existedAlready = instance->m_lock.ExistedAlready();
        if (outcome.existedAlready) {
            for (const QString& socket : LiveInstanceSockets(runtime)) {
                if (QueryInstanceTitle(socket) == options.searchedTitle) {
                    outcome.closeRequested = RequestInstanceClose(socket);
                    break;
                }
            }
        }
    }

    // Every instance answers, also one that allows several instances: its window may still be
    // the one a later instance under the rule is looking for.
    instance->m_server = std::make_unique<InstanceServer>();
    instance->m_outcome.listening = instance->m_server->Listen(runtime);
    return instance;
}

void SingleInstance::SetWindowHooks(std::function<QString()> title, std::function<void()> requestClose) {
    if (m_server) {
        m_server->SetTitleProvider(std::move(title));
        m_server->SetCloseHandler(std::move(requestClose));
    }
}

void SingleInstance::Release() {
    m_server.reset();
    m_lock.Release();
}

}  // namespace quarrow
