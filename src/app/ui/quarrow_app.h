#pragma once
// The application object: the start-up sequence from the profile to the shown main window, the
// program's commands as actions (each connected to the part that carries it out: the view, the
// dialog commands, the document or the application's own open, recent files, About and exit),
// and the exit step that writes the recent files back.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup_paths.h"
#include "app/startup_request.h"
#include "app/ui/background_ctags_run.h"
#include "app/ui/command_actions.h"
#include "app/ui/dialog_commands.h"
#include "app/ui/message_box_sink.h"
#include "app/ui/quarrow_doc_mgr.h"
#include "settings/profile.h"
#include "settings/recent_file_list.h"
#include "widgets/file_chooser.h"
#include "tags/code_page.h"
#include "tags/quarrow_doc.h"

class QWidget;

namespace quarrow {
class SingleInstance;
class TerminationSignals;
}

namespace quarrow::ui {
class ProgramTranslation;
}

namespace quarrow::ui {

class CMainFrame;
class CWindowDoc;
class CQuarrowDocMgr;
class CQuarrowView;
class CSingleDocTemplate;
class TagsRefresher;

class CQuarrowApp final : public QObject {
    Q_OBJECT
public:
    // What start-up takes from the process; tests replace each part.
    struct Options {
        std::optional<AppPaths> paths;  // default: worked out from the executable's place
        std::string runtimeDirectory;   // of the instance lock and socket; default: the user's
        std::optional<std::string> messagesLocale;  // default: the environment's (LC_ALL, LC_MESSAGES, LANG)
        CtagsStarter runCtags;          // default: ctags with a progress window
        FileChooser chooseFile;         // default: the platform's open dialog
        std::function<void(QWidget* parent)> showAbout;  // default: the About box
        // Called with the view just made (tests set its jump function here).
        std::function<void(CQuarrowView& view)> viewCreated;
        // The background ctags run of F5; default: ctags, replacing the tags file on success.
        BackgroundCtagsRun::RunFunction refreshRun;
    };

    explicit CQuarrowApp(Options options = {});
    ~CQuarrowApp() override;
    CQuarrowApp(const CQuarrowApp&) = delete;
    CQuarrowApp& operator=(const CQuarrowApp&) = delete;

    // Runs the start-up steps with the arguments after the program name. False ends the program
    // (Shutdown still runs).
    bool Startup(const std::vector<std::string>& arguments);
    // Lets the instance lock go and writes the recent files; returns `exitCode`.
    int Shutdown(int exitCode);

    // The application's open by path (the document manager's OpenByPath): null when the file
    // cannot be opened at all; else it is read in the background and `done` hears the outcome
    // (FileError::None once it is shown). The program's own opens pass PathForm::AsGiven.
    CWindowDoc* OpenDocumentFile(std::string_view path, std::function<void(FileError error)> done = {},
                                 PathForm form = PathForm::MayBeQuoted);

    CMainFrame* MainWindow() const;
    // The program's commands, made with the main window (null before it and after it has gone).
    CommandActions* Commands() const noexcept { return m_commands.data(); }
    // The one document template (its loads), or null before start-up made it.
    CSingleDocTemplate* Template() const;
    CWindowDoc* Document() const;
    CQuarrowView* View() const;
    Profile& GetProfile() noexcept { return m_profile; }
    MessageBoxSink& Sink() noexcept { return m_sink; }
    const std::optional<RecentFileList>& RecentFiles() const noexcept { return m_recentFiles; }
    const AppPaths& Paths() const noexcept { return m_paths; }
    CodePage GetCodePage() const noexcept { return m_codePage; }
    TagsRefresher* Refresher() const noexcept { return m_refresher.get(); }

    // The code page of the locale: Shift-JIS for a Shift-JIS locale, else UTF-8.
    static CodePage LocaleCodePage();

    // A request from outside to end the program (SIGTERM, SIGHUP, SIGINT, another instance): the
    // main window closes as if
    // the user closed it, after the open dialogs and messages have been cancelled. Before the
    // window exists (a "-T" run at start-up) the run is cancelled and the window closes as soon
    // as start-up has shown it.
    void RequestClose();

signals:
    // The main window has been destroyed (after its document); the message loop should end.
    void mainWindowClosed();

private:
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(int index);
    void OnAbout();
    void OnAppExit();
    void CloseMainWindow();
    // Cancels the ctags run that waits in its progress window and ends the open pop-up menu and
    // modal windows; true while any of them has not returned yet.
    bool EndRunAndModalWindows();
    std::vector<std::string> RecentMenuTexts() const;
    void SetUpFrame(CMainFrame& frame, CQuarrowView& view, CWindowDoc& document);

    Options m_options;
    AppPaths m_paths;
    Profile m_profile;
    MessageBoxSink m_sink;
    CodePage m_codePage = CodePage::Utf8;
    std::optional<RecentFileList> m_recentFiles;
    std::unique_ptr<ProgramTranslation> m_translation;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<TerminationSignals> m_termination;
    std::unique_ptr<CQuarrowDocMgr> m_pDocManager;
    std::unique_ptr<TagsRefresher> m_refresher;  // the watch of the shown file and F5
    QPointer<DialogCommands> m_dialogCommands;      // the view's child: goes with it
    QPointer<CommandActions> m_commands;            // the frame's child: goes with it
    bool m_bClosing = false;
    bool m_bCloseRequested = false;  // a request came before the main window existed
};

}  // namespace quarrow::ui
