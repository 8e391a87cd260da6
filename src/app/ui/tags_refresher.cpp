#include "app/ui/tags_refresher.h"

#include <QAction>
#include <QPushButton>

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/ui/main_frame.h"
#include "app/ui/run_status_bar.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "tags/quarrow_doc.h"
#include "tree/ui/quarrow_view.h"
#include "widgets/code_page_text.h"

namespace quarrow::ui {
namespace {

// The target remembered for `path`: the key may be the path as the user typed it, so a key that
// names the same file in other words counts too.
std::optional<std::string> RememberedTarget(const Profile& profile, const std::string& path) {
    std::optional<std::string> sameFile;
    for (const auto& [key, target] : profile.ReadSection(setting_keys::kCreateTagsParam)) {
        if (key == path) {
            return target;
        }
        std::error_code error;
        const std::filesystem::path keyPath(key);
        if (!sameFile && keyPath.is_absolute() && std::filesystem::weakly_canonical(keyPath, error) == path && !error) {
            sameFile = target;
        }
    }
    return sameFile;
}

}  // namespace

TagsRefresher::TagsRefresher(Profile& profile, CodePage cp, Hooks hooks, BackgroundCtagsRun::RunFunction run,
                             QObject* parent)
    : QObject(parent), m_profile(profile), m_codePage(cp), m_hooks(std::move(hooks)), m_run(nullptr, std::move(run)) {
    connect(&m_watcher, &TagsFileWatcher::changed, this, &TagsRefresher::OnFileChanged);
    connect(&m_watcher, &TagsFileWatcher::deleted, this, &TagsRefresher::OnFileDeleted);
    connect(&m_run, &BackgroundCtagsRun::finished, this, &TagsRefresher::OnRunFinished);
}

TagsRefresher::~TagsRefresher() = default;

RunStatusBar* TagsRefresher::StatusBar() const { return m_statusBar.data(); }

void TagsRefresher::AttachFrame(CMainFrame& frame, CQuarrowView& view) {
    auto* bar = new RunStatusBar(&frame);
    frame.setStatusBar(bar);
    bar->hide();
    m_statusBar = bar;
    // Esc in the tree cancels a run; at other times the key is the tree's.
    auto* escape = new QAction(&view);
    escape->setObjectName(QStringLiteral("cancelRun"));
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QAction::triggered, this, [this] {
        CancelRun();
        if (m_loader) {
            m_loader->Cancel();
        }
    });
    view.addAction(escape);
    m_escape = escape;
    UpdateEscape();
}

void TagsRefresher::AttachLoader(BackgroundTagsLoad& loader) {
    m_loader = &loader;
    connect(&loader, &BackgroundTagsLoad::started, this, &TagsRefresher::OnLoadStarted);
    connect(&loader, &BackgroundTagsLoad::ended, this, &TagsRefresher::OnLoadEnded);
}

void TagsRefresher::UpdateEscape() {
    if (m_escape) {
        m_escape->setEnabled(m_run.IsRunning() || (m_loader && m_loader->IsLoading()));
    }
}

void TagsRefresher::OnLoadStarted() {
    if (m_statusBar && m_loader) {
        QPointer<BackgroundTagsLoad> loader = m_loader;
        m_statusBar->ShowLoad(
            PathFromBytes(m_loader->Path()), [loader] { return loader ? loader->Progress() : nullptr; },
            [loader] {
                if (loader) {
                    loader->Cancel();
                }
            });
    }
    UpdateEscape();
}

void TagsRefresher::OnLoadEnded(const QString& path, int error) {
    if (m_loader && m_loader->IsLoading()) {
        return;  // another load has begun meanwhile
    }
    if (m_statusBar) {
        m_statusBar->EndLoad();
    }
    UpdateEscape();
    if (static_cast<FileError>(error) != FileError::Cancelled) {
        return;
    }
    Note(tr("TAGSファイルの読み込みを中止しました。表示は元のままです。"));
    // A stopped reading of the watched file is not begun again by the watch until it changes anew.
    const std::string stopped = BytesOfChosenPath(path);
    if (!m_watcher.Path().empty() && m_watcher.Path() == stopped) {
        m_watcher.Watch(stopped, StampOf(stopped));
    }
}

void TagsRefresher::OnOpened(const std::string& path, const FileStamp& stamp) {
    m_watcher.Watch(path, stamp);
    const PendingNote pending = std::exchange(m_noteAfterOpen, {});
    if (m_run.IsRunning() || !m_statusBar) {
        return;
    }
    if (!pending.path.empty() && pending.path == path) {
        m_statusBar->ShowNote(pending.text);
    } else {
        m_statusBar->ClearNote();  // what it said was about the file shown before this reading
    }
}

bool TagsRefresher::StillShown(const std::string& path) const {
    return m_hooks.shownPath && !path.empty() && m_hooks.shownPath() == path;
}

void TagsRefresher::Note(const QString& text) {
    if (m_statusBar) {
        m_statusBar->ShowNote(text);
    }
}

void TagsRefresher::Refresh() {
    if (m_run.IsRunning()) {
        return;
    }
    const std::string path = m_hooks.shownPath ? m_hooks.shownPath() : std::string();
    if (path.empty()) {
        return;
    }
    const std::optional<std::string> target = RememberedTarget(m_profile, path);
    CQuarrowView* view = m_hooks.view ? m_hooks.view() : nullptr;
    if (!target || !view) {
        // Nothing to run: read it again, and say why ctags did not run once the reading is shown
        // (a reading puts away what the bar said before it).
        m_noteAfterOpen = {path, tr("作成対象の記録がないため読み直しました（ctags で作るには Ctrl+N）。")};
        if (m_hooks.reopen && !m_hooks.reopen(path)) {
            m_noteAfterOpen = {};
        }
        return;
    }
    m_strRunPath = path;
    // The run's own writing is read once, when it has ended well.
    m_watcher.SetPaused(true);
    if (m_statusBar) {
        m_statusBar->ShowRun(PathFromBytes(path), [this] { CancelRun(); }, [this]() -> qint64 {
            const std::string written = m_run.WritingPath();
            if (written.empty()) {
                return -1;
            }
            const FileStamp stamp = StampOf(written);
            return stamp.exists ? static_cast<qint64>(stamp.size) : -1;
        });
    }
    m_run.Start(view->Settings(), path, *target, m_codePage);
    UpdateEscape();
}

bool TagsRefresher::IsRunningFor(const std::string& path) const {
    if (!m_run.IsRunning() || path.empty()) {
        return false;
    }
    if (path == m_strRunPath) {
        return true;
    }
    std::error_code error;
    return std::filesystem::equivalent(path, m_strRunPath, error) && !error;
}

void TagsRefresher::CancelRun() {
    if (!m_run.IsRunning()) {
        return;
    }
    m_run.Cancel();
    if (m_statusBar) {
        m_statusBar->CancelButton()->setEnabled(false);
    }
}

void TagsRefresher::OnRunFinished(BackgroundCtagsRun::Outcome outcome, const QString& message) {
    // The reading of the new file begins before the run's line goes, so that the bar goes on
    // from the one to the other.
    if (outcome == BackgroundCtagsRun::Outcome::Succeeded && StillShown(m_strRunPath) && m_hooks.reopen) {
        m_hooks.reopen(m_strRunPath);
    }
    if (m_statusBar) {
        m_statusBar->EndRun();
    }
    UpdateEscape();
    switch (outcome) {
    case BackgroundCtagsRun::Outcome::Succeeded:
        break;
    case BackgroundCtagsRun::Outcome::Failed:
        Note(tr("ctags が失敗しました。TAGSファイルと表示は元のままです。") +
             (message.isEmpty() ? QString() : QStringLiteral("\n") + message));
        break;
    case BackgroundCtagsRun::Outcome::Cancelled:
        Note(tr("ctags の実行を中止しました。TAGSファイルと表示は元のままです。"));
        break;
    case BackgroundCtagsRun::Outcome::NotStarted: {
        // The reason in the line the bar shows: it is short, unlike a failed tool's output.
        const QString reason = message.simplified();
        Note(reason.isEmpty() ? tr("ctags を起動できませんでした。TAGSファイルと表示は元のままです。")
                              : tr("ctags を起動できませんでした（%1）。TAGSファイルと表示は元のままです。").arg(reason));
        break;
    }
    }
    m_watcher.SetPaused(false);
    emit runEnded(outcome);
}

void TagsRefresher::OnFileChanged(const QString& /*path*/, const FileStamp& /*stamp*/) {
    const std::string path = m_watcher.Path();
    if (!StillShown(path)) {
        m_watcher.Stop();
        return;
    }
    // The reading takes the file's stamp itself, as it begins.
    if (m_hooks.reopen) {
        m_hooks.reopen(path);
    }
}

void TagsRefresher::OnFileDeleted(const QString& path) {
    if (!StillShown(m_watcher.Path())) {
        m_watcher.Stop();
        return;
    }
    Note(tr("TAGSファイル %1 がなくなりました。表示は元のままです。ファイルが戻ると読み直します。").arg(path));
}

}  // namespace quarrow::ui
