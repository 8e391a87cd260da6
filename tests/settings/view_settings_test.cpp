#include "settings/view_settings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/profile.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/scoped_env.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

constexpr const char* kDefaultParam =
    "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
    "-f@tags @target";

TEST(ViewSettings, loadWithoutProfile_givesPosixDefaults) {
    test::ScratchFolder dir{"settings"};
    const test::ScopedEnv noEditorInstalled("PATH", dir / "empty");
    ViewSettings settings;
    settings.m_strEditorPath = "changed";
    settings.m_nMainMenu = 7;
    settings.Load(Profile(dir.File("none.INI")));
    EXPECT_EQ(settings.m_strEditorPath, "gvim");
    EXPECT_EQ(settings.m_strEditorFormat, "+@l @f");
    EXPECT_EQ(settings.m_strCtagsPath, "/usr/bin/ctags");
    EXPECT_EQ(settings.m_strCtagsParam, kDefaultParam);
    EXPECT_EQ(settings.m_nRestartRead, 0);
    EXPECT_EQ(settings.m_nSingleSelect, 1);
    EXPECT_EQ(settings.m_nTipMessage, 1);
    EXPECT_EQ(settings.m_nMainMenu, 1);
    EXPECT_EQ(settings.m_nMultiView, 0);
    EXPECT_EQ(settings, ViewSettings{});  // a fresh object starts at the same defaults
}

TEST(ViewSettings, saveIntoEmptyProfile_writesAllNineInOrder) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    Profile profile(path);
    ViewSettings{}.Save(profile, ViewSettings{});
    // Sections appear in the order of their first write; PARAM, written last, joins TAGS.
    EXPECT_EQ(test::ReadFile(path),
              "[EDITOR]\n"
              "EDITORPATH=gvim\n"
              "EDITORFORMAT=+@l @f\n"
              "[TAGS]\n"
              "CTAGSPATH=/usr/bin/ctags\n"
              "PARAM=" +
                  std::string(kDefaultParam) +
                  "\n"
                  "[SYSTEM]\n"
                  "RESTART_READ=0\n"
                  "SINGLSELECT=1\n"
                  "TIPMESSAGE=1\n"
                  "MAINMENU=1\n"
                  "MULTIVIEW=0\n");
}

TEST(ViewSettings, saveThenLoad_roundTripsAndKeepsOtherKeys) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    test::WriteFile(path,
                    "[SYSTEM]\nX=5\nMAINMENU=2\n[EDITOR]\n"
                    "EDITORPATH=\"/opt/my editor/bin/ed\"\n[TAGS]\nLASTTAGS=/tmp/a.tags\n");
    Profile profile(path);
    ViewSettings settings;
    settings.Load(profile);
    const ViewSettings atStart = settings;
    EXPECT_EQ(settings.m_strEditorPath, "/opt/my editor/bin/ed");  // quotes dropped on reading
    EXPECT_EQ(settings.m_nMainMenu, 2);
    EXPECT_FALSE(IsOn(settings.m_nMainMenu));

    settings.m_strEditorFormat = "-n@l @f";
    settings.m_nMultiView = 1;
    settings.m_strCtagsParam = " -R -f@tags @target";
    settings.Save(profile, atStart);

    ViewSettings again;
    again.Load(profile);
    EXPECT_EQ(again, settings);
    EXPECT_EQ(profile.ReadInt("SYSTEM", "X", 0), 5);
    EXPECT_EQ(profile.ReadString("TAGS", "LASTTAGS", ""), "/tmp/a.tags");
    // Written back without the quotes, as it was read.
    EXPECT_NE(test::ReadFile(path).find("EDITORPATH=/opt/my editor/bin/ed\n"), std::string::npos);
}

TEST(ViewSettings, LanguageIconsAreOnUnlessTheProfileSaysOff) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    Profile profile(path);
    ViewSettings absent;
    absent.Load(profile);
    EXPECT_EQ(absent.m_nLangIcons, 1);
    // Saved unchanged, the key stays out of a profile that lacks it.
    absent.Save(profile, absent);
    EXPECT_EQ(test::ReadFile(path).find("LANGICONS"), std::string::npos);

    ASSERT_TRUE(profile.WriteInt("VIEW", "LANGICONS", 0));
    ViewSettings off;
    off.Load(profile);
    EXPECT_EQ(off.m_nLangIcons, 0);
    off.Save(profile, off);
    EXPECT_EQ(profile.ReadInt("VIEW", "LANGICONS", -1), 0);
}

TEST(ViewSettings, treeOptionsAreWrittenOnceOnOrAlreadyThere) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    Profile profile(path);
    ViewSettings settings;
    settings.m_nNestScope = 1;
    settings.Save(profile, ViewSettings{});
    // Only the option in use joins the profile, in a section of its own after the nine.
    EXPECT_NE(test::ReadFile(path).find("MULTIVIEW=0\n[VIEW]\nNESTSCOPE=1\n"), std::string::npos);
    EXPECT_EQ(test::ReadFile(path).find("LANGICONS"), std::string::npos);

    // Switched off in a later session, it is written as off rather than left on.
    const ViewSettings atStart = settings;
    settings.m_nNestScope = 0;
    settings.Save(profile, atStart);
    ViewSettings again;
    again.m_nNestScope = 7;
    again.Load(profile);
    EXPECT_EQ(again, settings);
    EXPECT_NE(test::ReadFile(path).find("NESTSCOPE=0\n"), std::string::npos);
}

// "REFIND" is on by default and stays out of a profile that never turned it off.
TEST(ViewSettings, refindIsOnUnlessTheProfileTurnsItOff) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    Profile profile(path);
    ViewSettings settings;
    settings.Load(profile);
    const ViewSettings atStart = settings;
    EXPECT_EQ(settings.m_nRefind, 1);
    settings.Save(profile, atStart);
    EXPECT_EQ(test::ReadFile(path).find("REFIND"), std::string::npos);

    settings.m_nRefind = 0;
    settings.Save(profile, atStart);
    EXPECT_NE(test::ReadFile(path).find("REFIND=0\n"), std::string::npos);
    ViewSettings again;
    again.Load(profile);
    EXPECT_EQ(again.m_nRefind, 0);
}

struct FirstStartCase {
    const char* name;
    std::vector<std::string> installed;  // stand-in programs, the only ones on PATH
    std::string profile;                 // the profile's text at the start
    std::string path;                    // the editor loaded
    std::string format;
};

// A profile without an editor takes the first known editor installed here, and keeps it: the
// end of the session stores it. A profile with an editor keeps its own, whatever is installed.
TEST(ViewSettings, firstStart_takesTheFirstInstalledKnownEditor) {
    const FirstStartCase cases[] = {
        {"FirstOfTheListWins", {"gedit", "kate", "mousepad"}, "", "kate", "-l @l @f"},
        {"ListOrderNotPathOrder", {"gedit", "code"}, "", "code", "-g @f:@l"},
        {"ALaunchFallsBack", {"emacs", "geany"}, "", "emacs", "+@l @f"},
        {"NothingInstalled", {}, "", "gvim", "+@l @f"},
        {"TerminalWithoutVimIsNotVim", {"x-terminal-emulator", "subl"}, "", "subl", "@f:@l"},
        {"StoredTemplateStays", {"kate"}, "[EDITOR]\nEDITORFORMAT=-x @f\n", "kate", "-x @f"},
        {"StoredEditorStays", {"kate"}, "[EDITOR]\nEDITORPATH=gvim\n", "gvim", "+@l @f"},
        {"StoredEmptyEditorStays", {"kate"}, "[EDITOR]\nEDITORPATH=\nEDITORFORMAT=@f\n", "", "@f"},
        {"StoredBothStay", {"kate"}, "[editor]\neditorpath=/opt/ed\nEDITORFORMAT=/j@l @f\n", "/opt/ed", "/j@l @f"},
    };
    for (const FirstStartCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchFolder dir{"settings"};
        for (const std::string& program : c.installed) {
            dir.WriteProgram("bin/" + program, "#!/bin/sh\n");
        }
        const std::string path = dir.Write("q.INI", c.profile);
        Profile profile(path);
        ViewSettings settings;
        {
            const test::ScopedEnv onlyTheseInstalled("PATH", dir / "bin");
            settings.Load(profile);
        }
        EXPECT_EQ(settings.m_strEditorPath, c.path);
        EXPECT_EQ(settings.m_strEditorFormat, c.format);

        settings.Save(profile, settings);
        const test::ScopedEnv nothingInstalled("PATH", dir / "empty");
        ViewSettings next;
        next.Load(profile);
        EXPECT_EQ(next.m_strEditorPath, c.path) << "the next start keeps it";
        EXPECT_EQ(next.m_strEditorFormat, c.format);
    }
}

static_assert(IsOn(1) && !IsOn(0) && !IsOn(2) && !IsOn(-1));

}  // namespace
}  // namespace quarrow
