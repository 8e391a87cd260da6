#pragma once
// Turns the signals that ask a program to end (SIGTERM from a service manager or `kill`, SIGHUP
// when the session ends, SIGINT from Ctrl+C in the terminal it was started from) into a Qt signal on the event loop, so that the program closes as if the
// user had closed it and writes its settings on the way out. The handler itself only writes one
// byte into a pipe; a socket notifier reads it on the event loop.
//
// A signal that was ignored when the program started stays ignored. One object at a time; the
// destructor puts the previous handlers back.

#include <QObject>

class QSocketNotifier;

namespace quarrow {

class TerminationSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up (the signals then end the program
    // as they would without this object).
    bool Installed() const noexcept { return m_notifier != nullptr; }

signals:
    // SIGTERM, SIGHUP or SIGINT arrived (once per signal delivered).
    void closeRequested(int signalNumber);

private:
    void ReadPending();

    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace quarrow
