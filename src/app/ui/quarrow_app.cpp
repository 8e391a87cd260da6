#include "app/ui/quarrow_app.h"

#include <langinfo.h>

#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

#include <cstring>

#include "app/about/version_info_dlg.h"
#include "app/startup_rules.h"
#include "app/ui/command_actions.h"
#include "app/ui/command_menus.h"
#include "app/ui/main_frame.h"
#include "app/ui/modal_windows.h"
#include "app/ui/window_doc.h"
#include "app/ui/quarrow_doc_mgr.h"
#include "app/ui/single_doc_template.h"
#include "app/ui/tags_refresher.h"
#include "ctags/run_ctags.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "platform/language_choice.h"
#include "platform/ui/program_translation.h"
#include "platform/ui/single_instance.h"
#include "platform/ui/termination_signals.h"
#include "settings/setting_keys.h"
#include "widgets/code_page_text.h"
#include "tree/ui/display_text.h"
#include "tree/ui/quarrow_view.h"

namespace quarrow::ui {
CodePage CQuarrowApp::LocaleCodePage() {
    const char* codeset = ::nl_langinfo(CODESET);
    if (codeset == nullptr) {
        return CodePage::Utf8;
    }
    for (const char* name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J"}) {
        if (::strcasecmp(codeset, name) == 0) {
            return CodePage::ShiftJis;
        }
    }
    return CodePage::Utf8;
}

CQuarrowApp::CQuarrowApp(Options options) : m_options(std::move(options)) {}

CQuarrowApp::~CQuarrowApp() {
    if (m_pDocManager) {
        m_pDocManager->CloseAllDocuments();
    }
}

bool CQuarrowApp::Startup(const std::vector<std::string>& arguments) {
    // From here on the end of the session or a service manager closes the program the normal way.
    if (!m_termination) {
        m_termination = std::make_unique<TerminationSignals>();
        connect(m_termination.get(), &TerminationSignals::closeRequested, this, [this] { RequestClose(); });
    }

    // The profile, the temporary directory and the start directory.
    m_paths = m_options.paths ? *m_options.paths : LocateProfile(ExecutablePath());
    m_profile.SetPath(m_paths.profilePath);
    m_codePage = LocaleCodePage();

    // The language of every text from here on, messages of the start-up request included.
    m_translation = std::make_unique<ProgramTranslation>(
        ChooseUiLanguage(m_profile.ReadString(setting_keys::kSystem, setting_keys::kUiLanguage, ""),
                         m_options.messagesLocale ? *m_options.messagesLocale : MessagesLocaleName()));

    // The single-instance rule: an earlier window showing the "-T" tags file is asked to close.
    m_instance = SingleInstance::Apply({SingleInstanceRuleApplies(m_profile), m_paths.temporaryDirectory,
                                        QString::fromStdString(DefaultTagsWindowTitle())},
                                       m_options.runtimeDirectory);

    m_recentFiles = SizeRecentFileList(m_profile);

    // The watch of the shown tags file and the background ctags run of F5.
    if (!m_refresher) {
        TagsRefresher::Hooks refreshHooks;
        refreshHooks.shownPath = [this] {
            const CWindowDoc* document = Document();
            return document ? document->GetPathName() : std::string();
        };
        refreshHooks.reopen = [this](const std::string& path) {
            return OpenDocumentFile(path, {}, PathForm::AsGiven) != nullptr;
        };
        refreshHooks.view = [this] { return View(); };
        m_refresher = std::make_unique<TagsRefresher>(m_profile, m_codePage, std::move(refreshHooks),
                                                      m_options.refreshRun);
    }

    // The one document template.
    if (!m_pDocManager) {
        m_pDocManager = std::make_unique<CQuarrowDocMgr>(m_paths.startDirectory, m_sink);
    }
    m_pDocManager->AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        m_profile, m_sink, m_codePage,
        [this](CMainFrame& frame, CQuarrowView& view, CWindowDoc& document) { SetUpFrame(frame, view, document); },
        [this](const std::string& path, const FileStamp& stamp) {
            if (m_recentFiles) {
                m_recentFiles->Add(path);
            }
            m_refresher->OnOpened(path, stamp);
        }));
    m_refresher->AttachLoader(m_pDocManager->FirstTemplate()->Loader());

    CtagsStarter runCtags = m_options.runCtags;
    if (!runCtags) {
        runCtags = [this](const ViewSettings& settings, const std::string& tagsPath, const std::string& target) {
            if (m_bCloseRequested) {
                return 0;  // asked to close while a start-up message was open: no run to wait for
            }
            // Before any window exists: the progress window stands alone and can cancel the run.
            // Only a run that made the file shows it: after a failed or empty run the file left in
            // place is an earlier run's, of some other folder, and its message has been shown.
            CtagsProgressDialog progress(EditTextFromBytes(tagsPath, m_codePage));
            const CtagsRunResult result =
                RunCtagsIntoTagsFile(settings, tagsPath, target, m_sink, m_codePage, &progress);
            return result == CtagsRunResult::Succeeded ? 1 : 0;
        };
    }
    const StartupRequest request = MakeStartupRequest(arguments, m_profile, m_paths, runCtags, m_sink);
    switch (request.command) {
    case StartupCommand::EndProgram:
        return false;
    case StartupCommand::NewDocument:
        OnFileNew();
        break;
    case StartupCommand::OpenFile:
        // The name as the command line or the profile gives it, quotes and blanks included.
        if (!OpenDocumentFile(request.fileName, {}, PathForm::AsGiven)) {
            return false;
        }
        break;
    }
    CMainFrame* frame = MainWindow();
    if (!frame) {
        return false;
    }

    // Without the menu bar the accelerators and the pop-up menu still reach every command.
    if (m_profile.ReadInt(setting_keys::kSystem, setting_keys::kMainMenu, setting_defaults::kMainMenu) != 1) {
        frame->RemoveMenuBar();
    }
    frame->show();
    if (m_bCloseRequested) {
        QTimer::singleShot(0, frame, [frame] { frame->close(); });
    }
    return true;
}

void CQuarrowApp::RequestClose() {
    if (CMainFrame* frame = MainWindow()) {
        frame->close();  // the close path ends the open dialogs first
        return;
    }
    m_bCloseRequested = true;
    EndRunAndModalWindows();
}

bool CQuarrowApp::EndRunAndModalWindows() {
    // A run's own messages (it could not start, it failed) come over its progress window while the
    // run still waits in it: the run is cancelled and the message ended in the same step, since
    // neither returns before the other has.
    bool busy = false;
    if (auto* run = ui::CtagsProgressDialog::Active()) {
        run->reject();
        busy = true;
    }
    return EndModalWindows() || busy;
}

int CQuarrowApp::Shutdown(int exitCode) {
    if (m_pDocManager) {
        m_pDocManager->CloseAllDocuments();
    }
    m_instance.reset();
    if (m_recentFiles) {
        m_recentFiles->Write(m_profile);
    }
    m_translation.reset();
    return exitCode;
}

void CQuarrowApp::SetUpFrame(CMainFrame& frame, CQuarrowView& view, CWindowDoc& document) {
    (void)document;
    // Each command goes straight to the part that carries it out. The view and the dialog
    // commands go with the frame, and the actions with them.
    const QPointer<CQuarrowView> shownView(&view);
    const auto withView = [shownView](void (CQuarrowView::*command)()) {
        return [shownView, command] {
            if (shownView) {
                (shownView.data()->*command)();
            }
        };
    };
    const auto withDialogs = [this](void (DialogCommands::*command)()) {
        return [this, command] {
            if (m_dialogCommands) {
                (m_dialogCommands.data()->*command)();
            }
        };
    };
    CommandHandlers handlers;
    handlers.createTags = withDialogs(&DialogCommands::OnCreateTags);
    handlers.open = [this] { OnFileOpen(); };
    handlers.saveAs = [this] {
        if (CWindowDoc* shown = Document()) {
            shown->OnFileSaveAs(MainWindow());
        }
    };
    handlers.exit = [this] { OnAppExit(); };
    handlers.settings = withDialogs(&DialogCommands::OnSettings);
    handlers.find = withView(&CQuarrowView::ShowFilter);
    handlers.refresh = [this] {
        if (m_refresher) {
            m_refresher->Refresh();
        }
    };
    handlers.toggleLangIcons = withView(&CQuarrowView::ToggleLangIcons);
    handlers.toggleNestScope = withView(&CQuarrowView::ToggleNestScope);
    handlers.about = [this] { OnAbout(); };
    handlers.langIconsOn = [shownView] { return shownView && shownView->LangIconsOn(); };
    handlers.nestScopeOn = [shownView] { return shownView && shownView->NestScopeOn(); };
    handlers.recentFiles = [this] { return RecentMenuTexts(); };
    handlers.openRecent = [this](int index) { OnOpenRecentFile(index); };
    m_commands = new CommandActions(std::move(handlers), &frame);
    frame.LoadFrame(*m_commands);
    m_refresher->AttachFrame(frame, view);
    CQuarrowView::Hooks viewHooks;
    viewHooks.fillPopup = [commands = m_commands](QMenu& popup) {
        if (commands) {
            FillMenu(popup, *commands);
        }
    };
    viewHooks.note = [this](const QString& text) {
        if (m_refresher) {
            m_refresher->Note(text);
        }
    };
    view.SetHooks(viewHooks);
    // A second ctags for the file F5 is making would race it for the file; the user is told to
    // let F5 end (or cancel it) instead.
    const auto mayCreateTags = [this](const std::string& path) {
        if (!m_refresher || !m_refresher->IsRunningFor(path)) {
            return true;
        }
        m_refresher->Note(tr("このTAGSファイルは F5 の ctags が更新中です。終わるか中止してから作り直してください。"));
        return false;
    };
    m_dialogCommands = new DialogCommands(
        view, m_profile, m_sink,
        [this](const std::string& path) { return OpenDocumentFile(path, {}, PathForm::AsGiven) != nullptr; },
        mayCreateTags);
    frame.SetCloseHandler([this] {
        // The frame cannot be destroyed inside its own close event: do it right after.
        if (!m_bClosing) {
            m_bClosing = true;
            QTimer::singleShot(0, this, [this] { CloseMainWindow(); });
        }
    });
    m_sink.SetParent(&frame);
    if (m_instance) {
        QPointer<CMainFrame> window(&frame);
        m_instance->SetWindowHooks([window] { return window ? window->windowTitle() : QString(); },
                                   [window] {
                                       if (window) {
                                           window->close();
                                       }
                                   });
    }
    if (m_options.viewCreated) {
        m_options.viewCreated(view);
    }
}

void CQuarrowApp::CloseMainWindow() {
    // A close request (from another instance or a signal) can arrive while a ctags run waits in
    // its progress window, or while a dialog, a message or a menu runs its own event loop, with
    // the command that opened it still on the stack: end each as its Cancel would and close once
    // they have all returned.
    if (EndRunAndModalWindows()) {
        QTimer::singleShot(20, this, [this] { CloseMainWindow(); });
        return;
    }
    // A background run is ended before the window goes; it keeps the old file.
    if (m_refresher && m_refresher->IsRunning()) {
        m_refresher->CancelRun();
        m_refresher->WaitForRun();
    }
    m_bClosing = false;
    if (m_instance) {
        m_instance->SetWindowHooks({}, {});
    }
    if (m_pDocManager) {
        m_pDocManager->CloseAllDocuments();
    }
    emit mainWindowClosed();
    QCoreApplication::quit();
}

CSingleDocTemplate* CQuarrowApp::Template() const {
    return m_pDocManager ? m_pDocManager->FirstTemplate() : nullptr;
}

CMainFrame* CQuarrowApp::MainWindow() const {
    CSingleDocTemplate* docTemplate = Template();
    return docTemplate ? docTemplate->Frame() : nullptr;
}

CWindowDoc* CQuarrowApp::Document() const {
    CSingleDocTemplate* docTemplate = Template();
    return docTemplate ? docTemplate->Document() : nullptr;
}

CQuarrowView* CQuarrowApp::View() const {
    CMainFrame* frame = MainWindow();
    return frame ? frame->View() : nullptr;
}

CWindowDoc* CQuarrowApp::OpenDocumentFile(std::string_view path, std::function<void(FileError error)> done,
                                          PathForm form) {
    return m_pDocManager ? m_pDocManager->OpenByPath(path, std::move(done), form) : nullptr;
}

std::vector<std::string> CQuarrowApp::RecentMenuTexts() const {
    std::vector<std::string> texts;
    if (!m_recentFiles) {
        return texts;
    }
    for (const std::string& path : m_recentFiles->Entries()) {
        if (static_cast<int>(texts.size()) == kRecentFileMenuEntries) {
            break;
        }
        // The menu shows the name in the code page's characters.
        texts.push_back(DisplayText(RecentFileList::DisplayName(path), m_codePage).toStdString());
    }
    return texts;
}

void CQuarrowApp::OnFileNew() {
    if (CSingleDocTemplate* docTemplate = m_pDocManager ? m_pDocManager->FirstTemplate() : nullptr) {
        docTemplate->NewDocument();
    }
}

void CQuarrowApp::OnFileOpen() {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Open;
    request.title = tr("開く");
    // Tags files first, by the names ctags gives them and the ones used for them.
    request.filter = tr("TAGSファイル (tags TAGS *.tags *.ctags);;すべてのﾌｧｲﾙ (*)");
    if (const CWindowDoc* document = Document()) {
        StartAtFile(request, document->GetPathName(), false);
    }
    const QString path = m_options.chooseFile ? m_options.chooseFile(MainWindow(), request)
                                              : ShowFileDialog(MainWindow(), request);
    if (!path.isEmpty()) {
        OpenDocumentFile(BytesOfChosenPath(path), {}, PathForm::AsGiven);
    }
}

void CQuarrowApp::OnOpenRecentFile(int index) {
    if (!m_recentFiles || index < 0 || index >= static_cast<int>(m_recentFiles->Entries().size())) {
        return;
    }
    const std::string path = m_recentFiles->Entries()[static_cast<std::size_t>(index)];
    // An entry that cannot be opened leaves the list, also when that shows only once it is read.
    const auto dropOnFailure = [this, path](FileError error) {
        if (error != FileError::None && error != FileError::Cancelled && m_recentFiles) {
            m_recentFiles->Remove(path);
        }
    };
    if (!OpenDocumentFile(path, dropOnFailure, PathForm::AsGiven)) {
        m_recentFiles->Remove(path);
    }
}

void CQuarrowApp::OnAbout() {
    if (m_options.showAbout) {
        m_options.showAbout(MainWindow());
    } else {
        OnAboutCommand(MainWindow());
    }
}

void CQuarrowApp::OnAppExit() {
    if (CMainFrame* frame = MainWindow()) {
        frame->close();
    }
}

}  // namespace quarrow::ui
