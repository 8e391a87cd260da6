#pragma once
// Keeps the shown tree current: watches the shown tags file and reads it again when it changed
// on disk, and runs ctags again in the background for it (F5) with the target remembered for
// that file, reading the new file when the run succeeded. The user's place in the tree is kept
// by the reading itself (the document template keeps it for the same file). Progress (of the
// run and of every load), failures and a vanished file are told in the window's status bar.

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>

#include "app/ui/background_ctags_run.h"
#include "app/ui/background_tags_load.h"
#include "app/ui/tags_file_watcher.h"
#include "tags/code_page.h"

class QAction;

namespace quarrow {
class Profile;
}

namespace quarrow::ui {

class CMainFrame;
class CQuarrowView;
class RunStatusBar;

class TagsRefresher final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<std::string()> shownPath;                 // the document's path, "" for none
        std::function<bool(const std::string& path)> reopen;   // reads the file again (open by path)
        std::function<CQuarrowView*()> view;                    // the view and its settings, or null
    };

    TagsRefresher(Profile& profile, CodePage cp, Hooks hooks, BackgroundCtagsRun::RunFunction run = {},
                  QObject* parent = nullptr);
    ~TagsRefresher() override;

    // A new main window: its status bar, and Esc in its tree to cancel a run or a load.
    void AttachFrame(CMainFrame& frame, CQuarrowView& view);
    // The loads of the window's document: shown in the status bar, cancelled by Esc and the button.
    void AttachLoader(BackgroundTagsLoad& loader);
    // A tags file has been read (any open, the watch's and F5's included), as it stood at `stamp`.
    void OnOpened(const std::string& path, const FileStamp& stamp);

    // F5: ctags again for the shown file, or, when it has no remembered target, a plain new
    // reading with a note in the bar that says so and names Ctrl+N. Nothing while a run goes or
    // when no file is shown.
    void Refresh();
    void CancelRun();
    bool IsRunning() const noexcept { return m_run.IsRunning(); }
    // Whether a run goes for the tags file `path` (named in any words that lead to it).
    bool IsRunningFor(const std::string& path) const;
    // Shows `text` in the status bar until it is put away.
    void Note(const QString& text);
    // Waits for a cancelled run's worker (closing the window).
    void WaitForRun() { m_run.Wait(); }

    RunStatusBar* StatusBar() const;
    TagsFileWatcher& Watcher() noexcept { return m_watcher; }

signals:
    // A background run has ended and its outcome been shown (tests wait for it).
    void runEnded(quarrow::ui::BackgroundCtagsRun::Outcome outcome);

private:
    void OnFileChanged(const QString& path, const FileStamp& stamp);
    void OnFileDeleted(const QString& path);
    void OnRunFinished(BackgroundCtagsRun::Outcome outcome, const QString& message);
    bool StillShown(const std::string& path) const;
    void OnLoadStarted();
    void OnLoadEnded(const QString& path, int error);
    void UpdateEscape();

    Profile& m_profile;
    CodePage m_codePage;
    Hooks m_hooks;
    TagsFileWatcher m_watcher;
    BackgroundCtagsRun m_run;
    QPointer<RunStatusBar> m_statusBar;
    QPointer<QAction> m_escape;
    QPointer<BackgroundTagsLoad> m_loader;
    std::string m_strRunPath;
    // A note for the bar once the reading of `path` is shown (F5 on a file without a target).
    struct PendingNote {
        std::string path;
        QString text;
    };
    PendingNote m_noteAfterOpen;
};

}  // namespace quarrow::ui
