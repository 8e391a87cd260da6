#include "settings/recent_file_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "settings/profile.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using Entries = std::vector<std::string>;

TEST(RecentFileList, read_takesNumberedEntriesInOrderUpToCapacity) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    test::WriteFile(path,
                    "[Recent File List]\n"
                    "File3=/c.tags\n"
                    "File1=/a.tags\n"
                    "File2=\n"             // empty: skipped
                    "file4=/d.tags\n"      // names ignore case
                    "File05=/zero.tags\n"  // not the key "File5"
                    "File6=/a.tags\n"      // a repeat
                    "File7=\"/q u.tags\"\n"
                    "Other=/x.tags\n"
                    "File9=/beyond.tags\n"
                    "File1=/second.tags\n");
    const Profile profile(path);

    RecentFileList list(8);
    list.Read(profile);
    EXPECT_EQ(list.Entries(), (Entries{"/a.tags", "/c.tags", "/d.tags", "/q u.tags"}));

    RecentFileList small(2);
    small.Read(profile);
    EXPECT_EQ(small.Entries(), (Entries{"/a.tags"}));

    RecentFileList huge(INT_MAX);  // no loop over the capacity
    huge.Read(profile);
    EXPECT_EQ(huge.Entries().back(), "/beyond.tags");

    RecentFileList none(0);
    none.Read(profile);
    EXPECT_TRUE(none.Entries().empty());
    EXPECT_EQ(RecentFileList(-3).Capacity(), 0);
}

TEST(RecentFileList, add_putsNewestFirstMovesRepeatsAndDropsOldest) {
    RecentFileList list(3);
    list.Add("/a");
    list.Add("/b");
    list.Add("/c");
    EXPECT_EQ(list.Entries(), (Entries{"/c", "/b", "/a"}));
    list.Add("/a");
    EXPECT_EQ(list.Entries(), (Entries{"/a", "/c", "/b"}));
    list.Add("/d");
    EXPECT_EQ(list.Entries(), (Entries{"/d", "/a", "/c"}));
    list.Add("/D");  // paths are compared exactly
    EXPECT_EQ(list.Entries(), (Entries{"/D", "/d", "/a"}));
    list.Add("");
    EXPECT_EQ(list.Entries().size(), 3u);
    list.Remove("/d");
    list.Remove("/not there");
    EXPECT_EQ(list.Entries(), (Entries{"/D", "/a"}));

    RecentFileList none(0);
    none.Add("/a");
    EXPECT_TRUE(none.Entries().empty());
}

TEST(RecentFileList, write_replacesTheWholeListAndKeepsTheRest) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("q.INI");
    test::WriteFile(path,
                    "[TAGS]\nRECENTSIZE=5\n"
                    "[Recent File List]\nFile1=/1\nFile2=/2\nFile3=/3\nFile4=/4\nFile5=/5\n"
                    "[SYSTEM]\nX=5\n");
    Profile profile(path);
    RecentFileList list(5);
    list.Read(profile);
    list.Remove("/2");
    list.Remove("/4");
    list.Add("/new");
    list.Write(profile);
    EXPECT_EQ(test::ReadFile(path),
              "[TAGS]\nRECENTSIZE=5\n"
              "[Recent File List]\nFile1=/new\nFile2=/1\nFile3=/3\nFile4=/5\n"
              "[SYSTEM]\nX=5\n");

    RecentFileList reread(5);
    reread.Read(profile);
    EXPECT_EQ(reread.Entries(), list.Entries());

    // A list of capacity 0 is no list: the section stays as it is.
    RecentFileList(0).Write(profile);
    reread.Read(profile);
    EXPECT_EQ(reread.Entries(), list.Entries());
}

TEST(RecentFileList, displayName_shortensLeadingFolders) {
    struct Case {
        std::string path;
        std::size_t max;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"/home/me/Foo.tags", 30, "/home/me/Foo.tags"},
        {"/home/me/abcdefghij/1234567.ab", 30, "/home/me/abcdefghij/1234567.ab"},  // exactly 30
        {"/home/me/abcdefghij/12345678.ab", 30, "/.../me/abcdefghij/12345678.ab"},
        {"/home/me/very/long/path/to/Foo.tags", 30, "/.../long/path/to/Foo.tags"},
        {"src/very/long/path/to/the/Foo.tags", 30, ".../long/path/to/the/Foo.tags"},
        {"/aa/b/abcdefghijklmnopqrstu.tag", 30, "/.../abcdefghijklmnopqrstu.tag"},
        {"/a/b/abcdefghijklmnopqrstuv.tag", 30, "abcdefghijklmnopqrstuv.tag"},  // "/.../" + name: 31
        {"/x/" + std::string(40, 'n'), 30, std::string(40, 'n')},  // the name whole, even too long
        {std::string(40, 'n'), 30, std::string(40, 'n')},
        {"/home/me/Foo.tags", 10, "Foo.tags"},
        // 42 characters, many more bytes: counted in characters, cut only at separators.
        {"/home/日本語/フォルダ/資料/とても長いディレクトリの名前/ファイル.tags", 30,
         "/.../とても長いディレクトリの名前/ファイル.tags"},
        {"/ファイル/データ.tags", 14, "/ファイル/データ.tags"},  // 14 characters, 28 bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecentFileList::DisplayName(c.path, c.max), c.shown) << c.path << " / " << c.max;
    }
    EXPECT_EQ(RecentFileList::DisplayName("/home/me/very/long/path/to/Foo.tags"), "/.../long/path/to/Foo.tags");
}

}  // namespace
}  // namespace quarrow
