// Windows that share one profile: each reads its settings at its start and writes them at its
// end, and none may lose what another wrote meanwhile. Alone, a window leaves the file exactly as
// writing every key would.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/profile.h"
#include "settings/recent_file_list.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

namespace keys = setting_keys;
namespace defaults = setting_defaults;
using Entries = std::vector<std::string>;

// A key written back by a session: what it changed is written, what it did not change is left
// when another writer changed it meanwhile, and written (as before) when nobody did.
TEST(WriteBack, writesWhatThisSessionChangedAndKeepsOthersChanges) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    const struct {
        const char* name;
        const char* fileBefore;  // the file when the session ends
        const char* atStart;     // what the session read at its start
        const char* value;       // what it holds at its end
        const char* fileAfter;
    } cases[] = {
        {"unchangedEverywhere", "[E]\nK=a\n", "a", "a", "[E]\nK=a\n"},
        {"changedHere", "[E]\nK=a\n", "a", "b", "[E]\nK=b\n"},
        {"changedElsewhere", "[E]\nK=c\n", "a", "a", "[E]\nK=c\n"},
        {"changedInBoth_lastWriterWins", "[E]\nK=c\n", "a", "b", "[E]\nK=b\n"},
        {"missing_isAddedAsBefore", "", "d", "d", "[E]\nK=d\n"},
        {"quotedAsRead_isRewrittenAsBefore", "[E]\nK=\"x y\"\n", "x y", "x y", "[E]\nK=x y\n"},
        {"otherCaseOfTheName", "[e]\nk=a\n", "a", "a", "[e]\nk=a\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(path, c.fileBefore);
        Profile profile(path);
        EXPECT_TRUE(profile.WriteBackString("E", "K", c.value, c.atStart, "d"));
        EXPECT_EQ(test::ReadFile(path), c.fileAfter);
    }
    // Integers compare as read: "01" is the 1 read at the start, and is written as "1".
    test::WriteFile(path, "[E]\nN=01\nM=7\n");
    Profile profile(path);
    EXPECT_TRUE(profile.WriteBackInt("E", "N", 1, 1, 0));
    EXPECT_TRUE(profile.WriteBackInt("E", "M", 5, 5, 0));
    EXPECT_EQ(test::ReadFile(path), "[E]\nN=1\nM=7\n");
}

// The first window changes the editor template and closes; the second, which read the profile
// before that, changes a flag and closes: both changes are in the file. A "-T" start that ran
// ctags meanwhile (its settings read before either closed, none changed) loses neither.
TEST(SharedProfile, windowsClosingInTurn_keepEachOthersSettings) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    test::WriteFile(path, "[EDITOR]\nEDITORPATH=gedit\nEDITORFORMAT=+@l @f\n[SYSTEM]\nSINGLSELECT=1\n");
    Profile profile(path);
    ViewSettings first, second, tStart;
    first.Load(profile);
    second.Load(profile);
    tStart.Load(profile);
    const ViewSettings firstAtStart = first, secondAtStart = second, tStartAtStart = tStart;

    first.m_strEditorFormat = "-l @l @f";
    first.Save(profile, firstAtStart);
    second.m_nSingleSelect = 0;
    second.Save(profile, secondAtStart);
    tStart.Save(profile, tStartAtStart);

    ViewSettings now;
    now.Load(profile);
    EXPECT_EQ(now.m_strEditorFormat, "-l @l @f");
    EXPECT_EQ(now.m_nSingleSelect, 0);
    EXPECT_EQ(now.m_strEditorPath, "gedit");
}

// Each window's recent files: its own opens first (newest first), then the file's entries that
// are not among them, capped at the size. An entry a window removed (it could not be opened)
// stays out; one it opened again comes back.
TEST(SharedProfile, recentFiles_areMergedWithTheFilesNewestFirst) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    test::WriteFile(path, "[Recent File List]\nFile1=/x.tags\nFile2=/y.tags\nFile3=/z.tags\n");
    Profile profile(path);
    RecentFileList first(4), second(4);
    first.Read(profile);
    second.Read(profile);

    first.Add("/a.tags");
    first.Add("/z.tags");
    first.Write(profile);
    RecentFileList after(4);
    after.Read(profile);
    EXPECT_EQ(after.Entries(), (Entries{"/z.tags", "/a.tags", "/x.tags", "/y.tags"}));

    second.Add("/b.tags");
    second.Remove("/x.tags");
    second.Add("/y.tags");
    second.Remove("/y.tags");
    second.Add("/y.tags");
    second.Write(profile);
    after.Read(profile);
    EXPECT_EQ(after.Entries(), (Entries{"/y.tags", "/b.tags", "/z.tags", "/a.tags"}));
}

// ---- One window alone: the file ends byte for byte as when every key is written ------------

// What a window changes between its start and its end.
struct Session {
    const char* name;
    std::function<void(ViewSettings&)> change;
    std::array<int, 4> placement;                      // at the end; {} keeps the one read
    std::string shown;                                 // "LASTTAGS" at the end
    std::vector<std::pair<bool, std::string>> recent;  // in order: (true) opened, (false) removed
};

const std::array<std::string_view, 4> kPlacementKeys = {keys::kX, keys::kY, keys::kCx, keys::kCy};
const std::array<int, 4> kPlacementDefaults = {defaults::kX, defaults::kY, defaults::kCx, defaults::kCy};

struct Start {
    ViewSettings settings;
    std::array<int, 4> placement;
    std::string lastTags;
};

Start ReadStart(const Profile& profile) {
    Start start;
    start.settings.Load(profile);
    for (std::size_t i = 0; i < 4; ++i) {
        start.placement[i] = profile.ReadInt(keys::kSystem, kPlacementKeys[i], kPlacementDefaults[i]);
    }
    start.lastTags = profile.ReadString(keys::kTags, keys::kLastTags, defaults::kLastTags);
    return start;
}

// The end of a window as it was before: every key written, changed or not, in the shutdown's
// order (placement, the view's nine and its options, "LASTTAGS", the recent files).
void EndWritingEveryKey(Profile& profile, const ViewSettings& s, const std::array<int, 4>& placement,
                        const std::string& shown, const Entries& recent) {
    for (std::size_t i = 0; i < 4; ++i) profile.WriteInt(keys::kSystem, kPlacementKeys[i], placement[i]);
    profile.WriteString(keys::kEditor, keys::kEditorPath, s.m_strEditorPath);
    profile.WriteString(keys::kEditor, keys::kEditorFormat, s.m_strEditorFormat);
    profile.WriteString(keys::kTags, keys::kCtagsPath, s.m_strCtagsPath);
    profile.WriteInt(keys::kSystem, keys::kRestartRead, s.m_nRestartRead);
    profile.WriteInt(keys::kSystem, keys::kSingleSelect, s.m_nSingleSelect);
    profile.WriteInt(keys::kSystem, keys::kTipMessage, s.m_nTipMessage);
    profile.WriteInt(keys::kSystem, keys::kMainMenu, s.m_nMainMenu);
    profile.WriteInt(keys::kSystem, keys::kMultiView, s.m_nMultiView);
    profile.WriteString(keys::kTags, keys::kParam, s.m_strCtagsParam);
    for (const auto& [key, value, fallback] : {std::tuple{keys::kLangIcons, s.m_nLangIcons, defaults::kLangIcons},
                                               std::tuple{keys::kNestScope, s.m_nNestScope, defaults::kNestScope}}) {
        if (value != fallback || profile.ReadInt(keys::kView, key, -12345) != -12345) {
            profile.WriteInt(keys::kView, key, value);
        }
    }
    profile.WriteString(keys::kTags, keys::kLastTags, shown);
    Profile::SectionKeys list;
    for (std::size_t i = 0; i < recent.size(); ++i) list.emplace_back(keys::RecentFileKey(int(i + 1)), recent[i]);
    profile.WriteSection(keys::kRecentFileList, list);
}

// The end of a window now: the same writes, each written back against what the window read.
void EndWritingBack(Profile& profile, const Start& start, const ViewSettings& s, const std::array<int, 4>& placement,
                    const std::string& shown, const RecentFileList& recent) {
    for (std::size_t i = 0; i < 4; ++i) {
        profile.WriteBackInt(keys::kSystem, kPlacementKeys[i], placement[i], start.placement[i], kPlacementDefaults[i]);
    }
    s.Save(profile, start.settings);
    profile.WriteBackString(keys::kTags, keys::kLastTags, shown, start.lastTags, defaults::kLastTags);
    recent.Write(profile);
}

TEST(SharedProfile, oneWindowAlone_endsWithTheFileAsWritingEveryKey) {
    const std::string profiles[] = {
        "",  // a first start: no file
        "; hand-written\r\n[system]\r\nx=40\r\nRESTART_READ=01\r\nMAINMENU=2\r\n[EDITOR]\r\n"
        "EDITORPATH=\"/opt/my editor/ed\"\r\n[Recent File List]\r\nFile1=/r1.tags\r\nFile2=/r2.tags\r\n"
        "File3=/r3.tags\r\nFile30=/beyond.tags\r\n[CreateTagsParam]\r\n/p/tags=/src\r\n[TAGS]\r\n"
        "LASTTAGS=/r1.tags\r\nPARAM=  -R -f@tags @target\r\n",
        "[VIEW]\nNESTSCOPE=1\n[SYSTEM]\nX=-20\nCY=5000\n[TAGS]\nRECENTSIZE=3\n",
    };
    const Session sessions[] = {
        {"nothingChanged", [](ViewSettings&) {}, {}, "", {}},
        {"changedMovedAndOpened",
         [](ViewSettings& s) {
             s.m_strEditorFormat = "-l @l @f";
             s.m_nNestScope = 1 - s.m_nNestScope;
             s.m_nTipMessage = 0;
         },
         {100, 120, 640, 480},
         "/n2.tags",
         {{true, "/n1.tags"}, {true, "/r2.tags"}, {false, "/r3.tags"}, {true, "/n2.tags"}}},
    };
    test::ScratchFolder dir{"settings"};
    for (const std::string& before : profiles) {
        for (const Session& session : sessions) {
            SCOPED_TRACE(session.name + (" over: " + before));
            const std::string oldPath = dir.File("old.INI"), newPath = dir.File("new.INI");
            for (const std::string& path : {oldPath, newPath}) {
                std::remove(path.c_str());
                if (!before.empty()) test::WriteFile(path, before);
            }
            Profile oldProfile(oldPath), newProfile(newPath);
            const Start start = ReadStart(newProfile);
            ViewSettings settings = start.settings;
            session.change(settings);
            const std::array<int, 4> placement =
                session.placement == std::array<int, 4>{} ? start.placement : session.placement;
            const int size = newProfile.ReadInt(keys::kTags, keys::kRecentSize, defaults::kRecentSize);
            RecentFileList recent(size);
            recent.Read(newProfile);
            for (const auto& [opened, file] : session.recent) {
                if (opened)
                    recent.Add(file);
                else
                    recent.Remove(file);
            }

            EndWritingEveryKey(oldProfile, settings, placement, session.shown, recent.Entries());
            EndWritingBack(newProfile, start, settings, placement, session.shown, recent);
            EXPECT_EQ(test::ReadFile(newPath), test::ReadFile(oldPath));
        }
    }
}

}  // namespace
}  // namespace quarrow
