#pragma once
// Runs ctags on a thread of its own, so that the window stays usable while the tool works: the
// run is started and cancelled from the window's thread and its end is reported there, with
// what the runner would have shown the user gathered into one text.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ctags/run_ctags.h"
#include "settings/view_settings.h"

namespace quarrow {
class MessageSink;
}

namespace quarrow::ui {

class BackgroundCtagsRun final : public QObject {
    Q_OBJECT
public:
    // The run itself, on the worker thread; messages go to the sink; the observer says when to
    // give up. The default runs ctags into a new file that replaces the tags file only when the
    // tool succeeds, so anything but Succeeded leaves the old file.
    using RunFunction = std::function<CtagsRunResult(const ViewSettings& settings, const std::string& tagsPath,
                                          const std::string& target, MessageSink& sink, CodePage cp,
                                          RunObserver& observer)>;

    // NotStarted: the tool never ran (the tags path, the new file or the start itself failed);
    // Failed: it ran and failed, or its output could not replace the tags file.
    enum class Outcome { Succeeded, Failed, Cancelled, NotStarted };
    Q_ENUM(Outcome)

    explicit BackgroundCtagsRun(QObject* parent = nullptr, RunFunction run = {});
    ~BackgroundCtagsRun() override;  // cancels a run and waits for it

    // False when a run is already going.
    bool Start(const ViewSettings& settings, const std::string& tagsPath, const std::string& target, CodePage cp);
    void Cancel() noexcept { m_bCancel = true; }
    bool IsRunning() const noexcept { return m_bRunning; }
    // The new file the tool writes, once the run has made it ("" before); from any thread.
    std::string WritingPath() const;
    // Blocks until the worker has returned (after Cancel this is a short wait); `finished` then
    // comes from the event loop as usual.
    void Wait();

signals:
    // On the window's thread. `message` says why a run failed ("" when it has no words).
    void finished(quarrow::ui::BackgroundCtagsRun::Outcome outcome, const QString& message);

private:
    RunFunction m_run;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    bool m_bRunning = false;
    mutable std::mutex m_writingMutex;
    std::string m_strWritingPath;  // set by the worker, read by the window
};

}  // namespace quarrow::ui
