#pragma once
// Carries out jumps for the window. The source file is searched for the tag's definition before
// the editor starts; a file larger than kBackgroundBytes is read and searched on a worker thread,
// so the window never waits for it, and the editor starts back on the window's thread. A later
// jump replaces one still searching: only the last one the user asked for starts an editor.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "editor/editor_jump.h"

namespace quarrow {
class MessageSink;
}

namespace quarrow::ui {

class EditorJumpRunner final : public QObject {
    Q_OBJECT
public:
    // Files of this many bytes and more are searched off the window's thread. Below it a search
    // takes a few milliseconds.
    static constexpr std::int64_t kBackgroundBytes = std::int64_t{2} << 20;

    // `sink` (reports an editor that cannot start) must outlive the runner.
    explicit EditorJumpRunner(MessageSink& sink, QObject* parent = nullptr);
    ~EditorJumpRunner() override;

    // Where a note for the status bar goes; without one notes are dropped.
    void SetNoteHandler(std::function<void(const QString&)> note) { m_note = std::move(note); }
    // Files of at least `bytes` are searched on a worker thread (tests lower it).
    void SetBackgroundBytes(std::int64_t bytes) noexcept { m_backgroundBytes = bytes; }

    void Jump(JumpRequest request);
    // A jump's search is going on a worker thread.
    bool IsSearching() const noexcept { return m_pending != 0; }

    // The status bar's text of `note` for the file at `path`.
    static QString NoteText(JumpNote note, const std::string& path);

signals:
    // A jump has been carried out (a note given, the editor started when `started`), or dropped
    // for a later one.
    void jumpDone(bool started);

private:
    struct Shared;
    void Finish(std::uint64_t number, const JumpRequest& request, const JumpPlace& place);

    MessageSink& m_sink;
    std::function<void(const QString&)> m_note;
    std::int64_t m_backgroundBytes = kBackgroundBytes;
    std::shared_ptr<Shared> m_shared;
    std::uint64_t m_lastNumber = 0;
    std::uint64_t m_pending = 0;  // the number of the jump searching on a worker, 0 for none
};

}  // namespace quarrow::ui
