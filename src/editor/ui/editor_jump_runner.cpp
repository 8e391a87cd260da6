#include "editor/ui/editor_jump_runner.h"

#include <QFile>
#include <QMetaObject>
#include <QThreadPool>

#include <mutex>

#include "platform/message_sink.h"

namespace quarrow::ui {

// What a worker shares with the runner: the runner while it lives, so that a search ending after
// the window has gone posts nothing.
struct EditorJumpRunner::Shared {
    std::mutex mutex;
    EditorJumpRunner* runner = nullptr;
};

EditorJumpRunner::EditorJumpRunner(MessageSink& sink, QObject* parent)
    : QObject(parent), m_sink(sink), m_shared(std::make_shared<Shared>()) {
    m_shared->runner = this;
}

EditorJumpRunner::~EditorJumpRunner() {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->runner = nullptr;
}

void EditorJumpRunner::Jump(JumpRequest request) {
    const std::uint64_t number = ++m_lastNumber;
    const bool large = request.refind && request.source.exists && request.source.size >= m_backgroundBytes;
    if (!large) {
        m_pending = 0;  // a search still going is replaced by this jump
        Finish(number, request, ResolveJump(request));
        return;
    }
    m_pending = number;
    QThreadPool::globalInstance()->start([shared = m_shared, number, request = std::move(request)] {
        JumpPlace place = ResolveJump(request);
        const std::lock_guard lock(shared->mutex);
        if (EditorJumpRunner* runner = shared->runner) {
            // Queued to the runner's thread; dropped by Qt if the runner goes before it runs.
            QMetaObject::invokeMethod(
                runner,
                [runner, number, request, place = std::move(place)] { runner->Finish(number, request, place); },
                Qt::QueuedConnection);
        }
    });
}

void EditorJumpRunner::Finish(std::uint64_t number, const JumpRequest& request, const JumpPlace& place) {
    if (number != m_lastNumber) {
        emit jumpDone(false);  // a later jump was asked for meanwhile
        return;
    }
    m_pending = 0;
    if (place.note != JumpNote::None && m_note) {
        m_note(NoteText(place.note, place.file));
    }
    StartEditorAt(request, place, m_sink);
    emit jumpDone(place.startEditor);
}

QString EditorJumpRunner::NoteText(JumpNote note, const std::string& path) {
    const QString file = QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    switch (note) {
    case JumpNote::SourceMissing:
        return tr("ファイル %1 がありません。エディタは起動しませんでした。").arg(file);
    case JumpNote::SourceUnreadable:
        return tr("ファイル %1 を読めないため、TAGSファイルの行へジャンプしました。").arg(file);
    case JumpNote::DefinitionNotFound:
        return tr("%1 に定義が見つからないため、TAGSファイルの行へジャンプしました。").arg(file);
    case JumpNote::None:
        break;
    }
    return {};
}

}  // namespace quarrow::ui
