#include "platform/ui/termination_signals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quarrow {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read on the event loop. Both ends are non-blocking: a handler never
// waits, and a full pipe already holds a request.
int s_pipe[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> s_previous{};
std::array<bool, kSignals.size()> s_handled{};  // false: left as the program was started with it

void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(s_pipe[1], &byte, 1);
    errno = savedErrno;
}

void RestorePrevious() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (s_handled[i]) {
            ::sigaction(kSignals[i], &s_previous[i], nullptr);
            s_handled[i] = false;
        }
    }
}

void ClosePipe() {
    for (int& fd : s_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (s_pipe[0] >= 0 || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // another object has them, or no pipe: leave the default actions
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the rest of the program need not expect EINTR
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        s_handled[i] = false;
        if (::sigaction(kSignals[i], nullptr, &s_previous[i]) != 0) {
            continue;
        }
        // A signal the starter chose to ignore stays ignored (nohup, a background job of a
        // script: Ctrl+C in its terminal is not meant for this program).
        if (s_previous[i].sa_handler == SIG_IGN) {
            continue;
        }
        if (::sigaction(kSignals[i], &action, nullptr) != 0) {
            RestorePrevious();
            ClosePipe();
            return;
        }
        s_handled[i] = true;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::ReadPending);
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier) {
        return;
    }
    RestorePrevious();
    delete m_notifier;
    m_notifier = nullptr;
    ClosePipe();
}

void TerminationSignals::ReadPending() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(s_pipe[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            emit closeRequested(bytes[i]);
        }
    }
}

}  // namespace quarrow
