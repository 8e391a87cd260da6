#pragma once
// An application started in a temporary home: its own profile, temporary and runtime folders,
// messages recorded instead of shown, jumps recorded instead of started.

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/main_frame.h"
#include "app/ui/quarrow_app.h"
#include "app/ui/window_doc.h"
#include "app/ui/single_doc_template.h"
#include "settings/setting_keys.h"
#include "support/scratch_folder.h"
#include "tree/ui/quarrow_view.h"

namespace quarrow::ui::testing {

inline const char* const kTagsA =
    "Alpha\tsrc/a/Alpha.java\t/^class Alpha {$/;\"\tc\tline:1\taccess:public\n"
    "Beta\tsrc/b/Beta.java\t/^class Beta {$/;\"\tc\tline:1\taccess:public\n";
inline const char* const kTagsB = "Gamma\tsrc/g/Gamma.java\t/^class Gamma {$/;\"\tc\tline:1\taccess:public\n";

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = m_dir.Path() + "/";
        // Several instances allowed: tests never touch another instance's window.
        Profile(m_home + "quarrow.INI").WriteInt(setting_keys::kSystem, setting_keys::kMultiView, 1);
    }

    void TearDown() override {
        if (m_app) {
            m_app->Shutdown(0);
            m_app.reset();
        }
    }

    AppPaths Paths() const {
        AppPaths paths;
        paths.executableDirectory = m_home;
        paths.homeDirectory = m_home;
        paths.profilePath = m_home + "quarrow.INI";
        paths.temporaryDirectory = m_home + "tmp";
        paths.defaultTagsPath = m_home + "tmp/QR-SOURCE.tags";
        paths.startDirectory = m_home + "start";
        return paths;
    }

    std::string WriteFile(const std::string& name, const std::string& text) {
        const std::string path = m_home + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Starts the application with `arguments`; the result is Startup's.
    bool Start(const std::vector<std::string>& arguments = {}) {
        QDir().mkpath(QString::fromStdString(m_home + "start"));
        CQuarrowApp::Options options;
        options.paths = Paths();
        options.runtimeDirectory = m_home + "run";
        options.messagesLocale = m_messagesLocale;
        QDir().mkpath(QString::fromStdString(options.runtimeDirectory));
        if (!m_realCtagsRun) {
            options.runCtags = [this](const ViewSettings&, const std::string& tags, const std::string& target) {
                m_ctagsRuns.push_back(tags + " <- " + target);
                std::ofstream(tags, std::ios::binary) << kTagsB;
                return 1;
            };
        }
        options.chooseFile = [this](QWidget*, const FileChooserRequest& request) {
            m_requests.push_back(request);
            return m_chosenFile;
        };
        options.showAbout = [this](QWidget*) { ++m_aboutShown; };
        options.viewCreated = [this](CQuarrowView& view) {
            view.SetJumpFunction([this](const EditorTemplate&, const CTagEntry& tag, const std::string&) {
                m_jumps.emplace_back(tag.GetName());
            });
        };
        options.refreshRun = m_refreshRun;
        m_app = std::make_unique<CQuarrowApp>(options);
        m_app->Sink().SetShowFunction([this](QWidget*, const QString& text) { m_messages.push_back(text); });
        const bool started = m_app->Startup(arguments);
        WaitForLoad();
        return started;
    }

    // Waits until no tags file is being read and the last one read is shown (or has failed).
    bool WaitForLoad() {
        const auto loading = [this] {
            CSingleDocTemplate* docTemplate = Template();
            return docTemplate != nullptr && docTemplate->Loader().IsLoading();
        };
        return QTest::qWaitFor([&] { return !loading(); }, 30000);
    }
    CSingleDocTemplate* Template() const { return m_app ? m_app->Template() : nullptr; }

    // Opens `path` as the application's open by path does and waits for its reading; the result
    // is that of the open (null when the file could not be opened at all).
    CWindowDoc* Open(std::string_view path) {
        CWindowDoc* document = m_app->OpenDocumentFile(path);
        WaitForLoad();
        return document;
    }

    QString Title() const { return m_app->MainWindow() ? m_app->MainWindow()->windowTitle() : QString(); }
    int TopRows() const { return m_app->View()->Model().rowCount(); }
    Profile GetProfile() const { return Profile(m_home + "quarrow.INI"); }

    // Window shortcuts work in the active window only.
    void ActivateMainWindow() {
        m_app->MainWindow()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_app->MainWindow(), 30000));  // a busy machine is slow
        m_app->View()->setFocus();
    }

    // Closes the main window as the close box does and lets the window go.
    void CloseWindow() {
        m_app->MainWindow()->close();
        for (int i = 0; i < 100 && m_app->MainWindow(); ++i) {
            QTest::qWait(5);
        }
    }

    test::ScratchFolder m_dir{"app"};
    std::string m_home;
    std::unique_ptr<CQuarrowApp> m_app;
    std::vector<QString> m_messages;
    std::vector<std::string> m_ctagsRuns;
    std::vector<std::string> m_jumps;
    QString m_chosenFile;
    std::vector<FileChooserRequest> m_requests;  // every file dialog asked for, in order
    int m_aboutShown = 0;
    BackgroundCtagsRun::RunFunction m_refreshRun;  // F5's run; empty: the real ctags
    bool m_realCtagsRun = false;                    // -T runs the profile's CTAGSPATH, not the stand-in
    // "C": the program's own texts, whatever the machine's locale.
    std::string m_messagesLocale = "C";
};

}  // namespace quarrow::ui::testing
