#pragma once
// The single-instance rule and this instance's presence for later ones. Every instance answers
// on its local socket; an instance under the rule also holds the instance lock, and when another
// live instance held it already, the first running instance whose window shows the default tags
// file of "-T" is asked to close (not waited for). Start-up always goes on.
//
// Use from the application object:
//   m_instance = SingleInstance::Apply({SingleInstanceRuleApplies(profile),
//                                       paths.temporaryDirectory,
//                                       QString::fromStdString(DefaultTagsWindowTitle())});
//   ... once the main window exists:
//   m_instance->SetWindowHooks([w] { return w->windowTitle(); }, [w] { w->close(); });
//   ... at exit: m_instance.reset();   // releases the lock and removes the socket

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/instance_lock.h"

namespace quarrow {

class InstanceServer;

struct SingleInstanceOptions {
    bool applyRule = true;           // "MULTIVIEW" not exactly 1
    std::string fallbackDirectory;   // used when $XDG_RUNTIME_DIR is not set
    QString searchedTitle;           // "QR-SOURCE.tags - Quarrow"
};

// What happened, for the caller's tests and diagnostics; start-up does not depend on it.
struct SingleInstanceOutcome {
    bool lockHeld = false;         // the rule applied and the lock was taken
    bool existedAlready = false;   // another live instance held the lock
    bool closeRequested = false;   // a window with the searched title was asked to close
    bool listening = false;        // this instance answers later ones
};

class SingleInstance final {
public:
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // `runtimeDirectory`, when set, is used in place of RuntimeDirectory() (tests). The lock and
    // the socket go to InstanceDirectory() of it: a folder too deep for a socket address is
    // replaced by a short private one.
    static std::unique_ptr<SingleInstance> Apply(const SingleInstanceOptions& options,
                                                 const std::string& runtimeDirectory = {});

    // $XDG_RUNTIME_DIR when it is an absolute directory, else `fallbackDirectory` (created).
    static std::string RuntimeDirectory(const std::string& fallbackDirectory);

    void SetWindowHooks(std::function<QString()> title, std::function<void()> requestClose);
    const SingleInstanceOutcome& Outcome() const noexcept { return m_outcome; }

    // Lets the lock go and stops answering; the destructor does the same.
    void Release();

private:
    SingleInstance();

    InstanceLock m_lock;
    std::unique_ptr<InstanceServer> m_server;
    SingleInstanceOutcome m_outcome;
};

}  // namespace quarrow
