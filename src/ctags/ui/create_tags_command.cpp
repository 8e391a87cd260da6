#include "ctags/ui/create_tags_command.h"

#include <QDialog>
#include <QGuiApplication>
#include <QString>

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "ctags/run_ctags.h"
#include "ctags/ui/create_tags_dlg.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "widgets/code_page_text.h"
#include "settings/view_settings.h"

namespace quarrow::ui {

namespace {

// The wait cursor over the whole program for the length of the run and the load.
class WaitCursor final {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// The tool runs in the tags file's folder, where a relative output path would be taken a second
// time; a relative path that names a folder is therefore made absolute first, against the folder
// the program was started from. A bare file name stays as it is: the runner refuses it.
std::string RunPathFor(const std::string& tagsFile) {
    const std::filesystem::path path(tagsFile);
    if (path.is_absolute() || tagsFile.find('/') == std::string::npos) {
        return tagsFile;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? tagsFile : absolute.lexically_normal().string();
}

// Why the tags file cannot be written in its folder, or an empty text when it can.
std::string FolderProblem(const std::string& runPath) {
    const std::size_t slash = runPath.rfind('/');
    if (slash == std::string::npos) {
        return {};  // the runner reports it
    }
    const std::string folder = slash == 0 ? std::string("/") : runPath.substr(0, slash);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return "フォルダ " + folder + " がありません。";
    }
#ifndef _WIN32
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "フォルダ " + folder + " に書き込めません。";
    }
    const std::filesystem::file_status status = std::filesystem::status(runPath, error);
    if (std::filesystem::exists(status)) {
        if (std::filesystem::is_directory(status)) {
            return runPath + " はフォルダです。";
        }
        if (::access(runPath.c_str(), W_OK) != 0) {
            return runPath + " に書き込めません。";
        }
    }
#endif
    return {};
}

}  // namespace

bool RunCreateTagsCommand(QWidget* parent, CCreateTagsDlg& dlg, const ViewSettings& settings, Profile& profile,
                          MessageSink& sink, CodePage cp, const OpenByPathFunction& openByPath,
                          const MayRunFunction& mayRun) {
    dlg.SetProfile(&profile);
    dlg.SetCodePage(cp);
    // A run that did not take place or failed brings the dialog back with what the user typed,
    // after its message, so that the path or target can be mended instead of typed again.
    for (bool again = false;; again = true) {
        dlg.m_strParam = settings.m_strCtagsParam;
        if (dlg.DoModal(again) != QDialog::Accepted) {
            return false;
        }
        const std::string tagsFile = dlg.m_strTagsFile;
        const std::string target = dlg.m_strTarget;
        if (IsBlank(tagsFile)) {
            continue;  // the dialog refuses it; kept for a caller that sets the fields itself
        }
        // Remembered before the run, so that it is kept even when the run fails.
        profile.WriteString(setting_keys::kCreateTagsParam, tagsFile, target);

        const std::string runPath = RunPathFor(tagsFile);
        if (const std::string problem = FolderProblem(runPath); !problem.empty()) {
            sink.ShowMessage(problem);
            continue;
        }
        if (mayRun && !mayRun(runPath)) {
            return false;
        }

        CtagsRunResult result = CtagsRunResult::NotRun;
        {
            WaitCursor wait;
            CtagsProgressDialog progress(EditTextFromBytes(runPath, cp), parent);
            result = RunCtagsIntoTagsFile(settings, runPath, target, sink, cp, &progress);
            if (progress.WasCancelled()) {
                result = CtagsRunResult::Cancelled;
            }
        }
        switch (result) {
        case CtagsRunResult::Succeeded:
            break;
        case CtagsRunResult::Cancelled:
            return false;
        case CtagsRunResult::NotRun:
        case CtagsRunResult::NotStarted:
        case CtagsRunResult::Failed:
        case CtagsRunResult::MadeNoTags:
            continue;  // the runner has said why; the tags file is as it was, and is not opened
        }
        if (openByPath) {
            WaitCursor wait;
            openByPath(runPath);
        }
        return true;
    }
}

}  // namespace quarrow::ui
