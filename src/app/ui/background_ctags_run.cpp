#include "app/ui/background_ctags_run.h"

#include <QMetaObject>

#include "platform/message_sink.h"
#include "platform/ui/message_translation.h"

namespace quarrow::ui {
namespace {

// Answers the runner from the worker thread: go on until the window asks to stop; the file the
// tool writes is handed on for the window to show its size.
class CancelFlagObserver final : public RunObserver {
public:
    CancelFlagObserver(const std::atomic<bool>& cancel, std::function<void(const std::string&)> writingTo)
        : m_cancel(cancel), m_writingTo(std::move(writingTo)) {}
    bool KeepWaiting(std::chrono::milliseconds /*elapsed*/) override { return !m_cancel.load(); }
    void WritingTo(const std::string& path) override { m_writingTo(path); }

private:
    const std::atomic<bool>& m_cancel;
    std::function<void(const std::string&)> m_writingTo;
};

CtagsRunResult RunIntoTagsFile(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
                               MessageSink& sink, CodePage cp, RunObserver& observer) {
    return RunCtagsIntoTagsFile(settings, tagsPath, target, sink, cp, &observer);
}

BackgroundCtagsRun::Outcome OutcomeOf(CtagsRunResult result, bool cancelAsked) {
    using Outcome = BackgroundCtagsRun::Outcome;
    switch (result) {
    case CtagsRunResult::Succeeded:
        return Outcome::Succeeded;
    case CtagsRunResult::Cancelled:
        return Outcome::Cancelled;
    case CtagsRunResult::NotRun:
    case CtagsRunResult::NotStarted:
        return cancelAsked ? Outcome::Cancelled : Outcome::NotStarted;
    case CtagsRunResult::Failed:
    case CtagsRunResult::MadeNoTags:
        break;
    }
    return cancelAsked ? Outcome::Cancelled : Outcome::Failed;
}

QString JoinMessages(const std::vector<std::string>& messages) {
    QString text;
    for (const std::string& message : messages) {
        if (!text.isEmpty()) {
            text += QLatin1Char('\n');
        }
        text += TranslateMessage(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    }
    return text;
}

}  // namespace

BackgroundCtagsRun::BackgroundCtagsRun(QObject* parent, RunFunction run)
    : QObject(parent), m_run(run ? std::move(run) : RunFunction(RunIntoTagsFile)) {}

BackgroundCtagsRun::~BackgroundCtagsRun() {
    Cancel();
    Wait();
}

bool BackgroundCtagsRun::Start(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
                               CodePage cp) {
    if (m_bRunning) {
        return false;
    }
    Wait();  // a worker that has ended but whose report is still queued
    m_bRunning = true;
    m_bCancel = false;
    {
        const std::lock_guard lock(m_writingMutex);
        m_strWritingPath.clear();
    }
    m_worker = std::thread([this, settings, tagsPath, target, cp] {
        RecordingMessageSink sink;
        CancelFlagObserver observer(m_bCancel, [this](const std::string& path) {
            const std::lock_guard lock(m_writingMutex);
            m_strWritingPath = path;
        });
        const CtagsRunResult result = m_run(settings, tagsPath, target, sink, cp, observer);
        const Outcome outcome = OutcomeOf(result, m_bCancel.load());
        const QString message = JoinMessages(sink.messages);
        QMetaObject::invokeMethod(
            this,
            [this, outcome, message] {
                Wait();
                m_bRunning = false;
                emit finished(outcome, message);
            },
            Qt::QueuedConnection);
    });
    return true;
}

std::string BackgroundCtagsRun::WritingPath() const {
    const std::lock_guard lock(m_writingMutex);
    return m_strWritingPath;
}

void BackgroundCtagsRun::Wait() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

}  // namespace quarrow::ui
