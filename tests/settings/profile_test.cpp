#include "settings/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- Reading strings ------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string section;
    std::string key;
    std::string expected;
};

class ProfileReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string text =
            "; a profile edited by hand\n"
            "orphan=before any section\n"
            "[EDITOR]\n"
            "EditorPath =   gvim -f   \n"
            "quoted=\"  a b  \"\n"
            "single='x'\n"
            "mismatched=\"x'\n"
            "onequote=\"\n"
            "emptyquotes=\"\"\n"
            "empty=\n"
            "inner=a\"b\"\n"
            "equals=a=b\n"
            "dup=first\n"
            "dup=second\n"
            "\t  Indented=yes\n"
            "noequals\n"
            "=novalue\n"
            ";comment=1\n"
            "[ Spaced Section ]\n"
            "k=v\n"
            "[broken\n"
            "notbroken=still in Spaced Section\n"
            "[editor]\n"
            "later=from the second EDITOR section\n"
            "dup=third\n"
            "[TAGS]\n";
        text += "long=" + std::string(5000, 'x') + "\n";
        // The cut at 4095 bytes would fall between the two bytes of U+00E9.
        text += "utf8=" + std::string(4094, 'a') + "\xC3\xA9zz\n";
        text += "crlf=value\r\n";
        WriteFile(m_dir.File("q.INI"), text);
    }

    ScratchFolder m_dir{"settings"};
};

TEST_F(ProfileReadTest, readString_followsTheProfileRules) {
    const std::vector<ReadCase> cases = {
        {"names ignore case", "editor", "EDITORPATH", "gvim -f"},
        {"blanks around the value dropped", "EDITOR", "EditorPath", "gvim -f"},
        {"double quotes stripped, inner blanks kept", "EDITOR", "quoted", "  a b  "},
        {"single quotes stripped", "EDITOR", "single", "x"},
        {"mismatched quotes kept", "EDITOR", "mismatched", "\"x'"},
        {"a lone quote kept", "EDITOR", "onequote", "\""},
        {"empty quotes give empty", "EDITOR", "emptyquotes", ""},
        {"present but empty is not the default", "EDITOR", "empty", ""},
        {"inner quotes kept", "EDITOR", "inner", "a\"b\""},
        {"only the first = splits", "EDITOR", "equals", "a=b"},
        {"first of duplicate keys", "EDITOR", "dup", "first"},
        {"indented key", "EDITOR", "indented", "yes"},
        {"line without = is no key", "EDITOR", "noequals", "DEFAULT"},
        {"comment is no key", "EDITOR", ";comment", "DEFAULT"},
        {"key before any section belongs to none", "EDITOR", "orphan", "DEFAULT"},
        {"section name trimmed", "Spaced Section", "k", "v"},
        {"lookup names trimmed", "  Spaced Section ", " k ", "v"},
        {"[ without ] is not a header", "Spaced Section", "notbroken", "still in Spaced Section"},
        {"second section of the same name", "EDITOR", "later", "from the second EDITOR section"},
        {"missing key", "EDITOR", "nothing", "DEFAULT"},
        {"missing section", "NOPE", "k", "DEFAULT"},
        {"key of another section", "TAGS", "k", "DEFAULT"},
        {"long value cut", "TAGS", "long", std::string(4095, 'x')},
        {"cut never splits a UTF-8 sequence", "TAGS", "utf8", std::string(4094, 'a')},
        {"CR LF line end not part of the value", "TAGS", "crlf", "value"},
    };
    const Profile profile(m_dir.File("q.INI"));
    for (const ReadCase& c : cases) {
        EXPECT_EQ(profile.ReadString(c.section, c.key, "DEFAULT"), c.expected) << c.name;
    }
}

TEST(ProfileRead, missingOrUnreadableFile_givesDefaults) {
    ScratchFolder dir{"settings"};
    EXPECT_EQ(Profile(dir.File("none.INI")).ReadString("S", "k", "dflt"), "dflt");
    EXPECT_EQ(Profile(dir.File("none.INI")).ReadInt("S", "k", 42), 42);
    EXPECT_EQ(Profile(dir.Path()).ReadString("S", "k", "dflt"), "dflt");  // a folder, not a file
    EXPECT_EQ(Profile().ReadString("S", "k", "dflt"), "dflt");
    // A FIFO in the profile's place neither blocks the reader nor is replaced by a writer.
    ASSERT_EQ(::mkfifo(dir.File("fifo.INI").c_str(), 0600), 0);
    Profile fifo(dir.File("fifo.INI"));
    EXPECT_EQ(fifo.ReadString("S", "k", "dflt"), "dflt");
    EXPECT_FALSE(fifo.WriteString("S", "k", "v"));
}

// ---- Reading integers -----------------------------------------------------------------------

TEST(ProfileRead, readInt_parsesLeadingDecimalNumber) {
    struct IntCase {
        const char* stored;  // nullptr: key missing
        int expected;
    };
    const std::vector<IntCase> cases = {
        {"12", 12},
        {"\"  12abc\"", 12},  // blanks kept inside quotes are skipped, trailing text ignored
        {"-3", -3},
        {"+4", 4},
        {"007", 7},
        {"1.9", 1},
        {"0x10", 0},  // decimal only: the 0 is the number
        {"abc", 0},
        {"- 3", 0},
        {"-", 0},
        {"'5'", 5},
        {"", 77},       // empty value: the default, as for a missing key
        {nullptr, 77},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},  // out of range: the nearest int, never wrapped
        {"99999999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"4294967297", INT_MAX},  // would wrap to 1 (a flag on) if not clamped
    };
    ScratchFolder dir{"settings"};
    std::string text = "[S]\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].stored) text += "k" + std::to_string(i) + "=" + cases[i].stored + "\n";
    }
    WriteFile(dir.File("p.INI"), text);
    const Profile profile(dir.File("p.INI"));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(profile.ReadInt("s", "K" + std::to_string(i), 77), cases[i].expected)
            << (cases[i].stored ? cases[i].stored : "(missing)");
    }
}

// ---- Writing: what changes in the file and what does not ------------------------------------

struct WriteCase {
    const char* name;
    std::string before;  // the file's bytes; "<none>" for no file
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

TEST(ProfileWrite, changesOnlyTheLineItMust) {
    const std::string junk = std::string("bin\x01\xff\x00 junk", 11);
    const std::vector<WriteCase> cases = {
        {"replace keeps the file's spelling, indent and every other line",
         "; top\n[Editor]\n  editorPath = old \n\nnoise without equals\n" + junk + "\n[TAGS]\nx=1\n",
         "EDITOR", "EDITORPATH", "new",
         "; top\n[Editor]\n  editorPath=new\n\nnoise without equals\n" + junk + "\n[TAGS]\nx=1\n"},
        {"first of duplicate keys rewritten", "[S]\nk=1\nk=2\n", "S", "k", "3", "[S]\nk=3\nk=2\n"},
        {"new key after the section's last key, before trailing blank and comment",
         "[A]\na=1\n\n; about B\n[B]\nb=1\n", "a", "n", "v", "[A]\na=1\nn=v\n\n; about B\n[B]\nb=1\n"},
        {"new key right after a header with no keys", "[A]\n; c\n[B]\n", "A", "n", "v", "[A]\nn=v\n; c\n[B]\n"},
        {"new key goes to the first section of the name", "[A]\na=1\n[B]\n[a]\nz=1\n", "A", "n", "v",
         "[A]\na=1\nn=v\n[B]\n[a]\nz=1\n"},
        {"key in a later section of the name rewritten there", "[A]\na=1\n[a]\nz=1\n", "A", "z", "2",
         "[A]\na=1\n[a]\nz=2\n"},
        {"new section at the end", "[A]\na=1\n", "B", "k", "v", "[A]\na=1\n[B]\nk=v\n"},
        {"last line without line end", "[A]\na=1", "A", "n", "v", "[A]\na=1\nn=v\n"},
        {"replace on the last line keeps it unterminated", "[A]\na=1", "A", "a", "2", "[A]\na=2"},
        {"new section after an unterminated line", "junk", "B", "k", "v", "junk\n[B]\nk=v\n"},
        {"CR LF file: replaced line keeps CR LF, added lines use it",
         "[A]\r\na=1\r\n[B]\r\n", "A", "a", "2", "[A]\r\na=2\r\n[B]\r\n"},
        {"CR LF file: new key and new section in CR LF",
         "[A]\r\na=1\r\n", "A", "n", "v", "[A]\r\na=1\r\nn=v\r\n"},
        {"CR LF file: new section", "[A]\r\n", "B", "k", "v", "[A]\r\n[B]\r\nk=v\r\n"},
        {"key before any section is not the section's", "k=old\n", "S", "k", "v", "k=old\n[S]\nk=v\n"},
        {"empty file", "", "S", "k", "v", "[S]\nk=v\n"},
        {"missing file created", "<none>", "S", "k", "v", "[S]\nk=v\n"},
        {"same value: file untouched", "[S]\nk = v \n", "S", "k", "v", "[S]\nk = v \n"},
        {"value with blanks at the ends stored in quotes", "", "S", "k", " v ", "[S]\nk=\" v \"\n"},
        {"value enclosed in quotes stored in quotes", "", "S", "k", "'v'", "[S]\nk=\"'v'\"\n"},
        {"value with inner blanks stored plain", "", "S", "k", "/opt/my editor/ed", "[S]\nk=/opt/my editor/ed\n"},
    };
    for (const WriteCase& c : cases) {
        ScratchFolder dir{"settings"};
        const std::string path = dir.File("w.INI");
        if (c.before != "<none>") WriteFile(path, c.before);
        Profile profile(path);
        EXPECT_TRUE(profile.WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadFile(path), c.after) << c.name;
    }
}

TEST(ProfileWrite, writtenValuesReadBackUnchanged) {
    struct Value {
        const char* name;  // also the key it is written under
        std::string text;
    };
    const Value values[] = {
        {"plain", "plain"},
        {"empty", ""},
        {"leadingBlank", " lead"},
        {"trailingTab", "trail\t"},
        {"doubleQuoted", "\"quoted\""},
        {"singleQuoted", "'single'"},
        {"loneQuote", "\""},
        {"equalsSign", "a=b"},
        {"commentMark", "; not a comment"},
        {"sectionLike", "[not a section]"},
        {"nulByte", std::string("nul\0byte", 8)},
        {"utf8", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"long", std::string(4095, 'z')},
    };
    ScratchFolder dir{"settings"};
    Profile profile(dir.File("r.INI"));
    for (const Value& value : values) {
        SCOPED_TRACE(value.name);
        ASSERT_TRUE(profile.WriteString("S", value.name, value.text));
        EXPECT_EQ(profile.ReadString("S", value.name, "DEFAULT"), value.text);
    }
    EXPECT_TRUE(profile.WriteInt("S", "n", -12));
    EXPECT_EQ(profile.ReadString("S", "n", ""), "-12");
    EXPECT_EQ(profile.ReadInt("S", "n", 0), -12);
}

TEST(ProfileWrite, namesAndValuesThatCannotBeStored_areRefused) {
    struct Refused {
        const char* name;
        std::string section, key, value;
    };
    const std::vector<Refused> cases = {
        {"line break in a value would add lines", "S", "k", "x\n[SYSTEM]\nMULTIVIEW=1"},
        {"CR in a value", "S", "k", "x\ry"},
        {"= in a key", "S", "a=b", "v"},
        {"key read as a header", "S", "[k]", "v"},
        {"key read as a comment", "S", ";k", "v"},
        {"empty key", "S", "  ", "v"},
        {"line break in a key", "S", "k\nz", "v"},
        {"empty section", "", "k", "v"},
        {"line break in a section", "S]\n[T", "k", "v"},
    };
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("x.INI");
    WriteFile(path, "[S]\nk=old\n");
    Profile profile(path);
    for (const Refused& c : cases) {
        EXPECT_FALSE(profile.WriteString(c.section, c.key, c.value)) << c.name;
    }
    EXPECT_EQ(ReadFile(path), "[S]\nk=old\n");
}

TEST(ProfileWrite, oddProfileReadAndNotDamaged) {
    // No section, NUL and high bytes, a line of a megabyte, no final line end.
    std::string odd;
    for (int i = 0; i < (1 << 20); ++i) odd += static_cast<char>((i * 131) % 256 == '\n' ? 0 : (i * 131) % 256);
    odd += "\nk=v\n";
    odd += std::string("tail\0with nul", 13);
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("odd.INI");
    WriteFile(path, odd);

    Profile profile(path);
    EXPECT_EQ(profile.ReadString("S", "k", "DEFAULT"), "DEFAULT");
    ASSERT_TRUE(profile.WriteString("S", "k", "v"));
    EXPECT_EQ(ReadFile(path), odd + "\n[S]\nk=v\n");
    EXPECT_EQ(profile.ReadString("S", "k", ""), "v");
}

TEST(ProfileWrite, hugeValueInFile_readCutAndKeptOnOtherWrites) {
    const std::string huge(3 << 20, 'h');
    const std::string text = "[S]\nbig=" + huge + "\r\nsmall=1\r\n";
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("big.INI");
    WriteFile(path, text);
    Profile profile(path);
    EXPECT_EQ(profile.ReadString("S", "big", ""), std::string(Profile::kMaxValueLength, 'h'));
    ASSERT_TRUE(profile.WriteInt("S", "small", 2));
    EXPECT_EQ(ReadFile(path), "[S]\nbig=" + huge + "\r\nsmall=2\r\n");
}

// ---- Writing: the file as a whole -----------------------------------------------------------

TEST(ProfileWrite, missingFolderOrNoPath_reportsFalseAndCreatesNothing) {
    ScratchFolder dir{"settings"};
    Profile profile(dir.File("no/such/folder/p.INI"));
    EXPECT_FALSE(profile.WriteString("S", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
    Profile unnamed;
    EXPECT_FALSE(unnamed.WriteString("S", "k", "v"));
    // A folder inside the scratch folder, so that whatever the write leaves beside it goes too.
    std::filesystem::create_directory(dir.File("folder"));
    Profile folder(dir.File("folder"));
    EXPECT_FALSE(folder.WriteString("S", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

TEST(ProfileWrite, failedWrite_leavesOldFileWholeAndNoTemporaryFile) {
    // A file-size limit makes the write of the new content fail part way, for any user.
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    const std::string before = "[S]\nk=old\n" + std::string(1000, ';') + "\n";
    WriteFile(path, before);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Profile profile(path);
        const bool written = profile.WriteString("S", "k", std::string(5000, 'n'));
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"p.INI", "p.INI.lock"}));
}

TEST(ProfileWrite, readOnlyFolderOrFile_leavesOldFileAndReportsFalse) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[S]\nk=old\n");
    Profile profile(path);

    ::chmod(dir.Path().c_str(), 0555);
    EXPECT_FALSE(profile.WriteString("S", "k", "new"));
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadFile(path), "[S]\nk=old\n");

    // A writable folder does not make a read-only profile writable.
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(profile.WriteString("S", "k", "new"));
    EXPECT_EQ(ReadFile(path), "[S]\nk=old\n");
}

TEST(ProfileWrite, keepsPermissions) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[S]\n");
    ::chmod(path.c_str(), 0640);
    Profile profile(path);
    ASSERT_TRUE(profile.WriteString("S", "k", "v"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ProfileWrite, throughSymlink_updatesTargetAndKeepsLink) {
    ScratchFolder dir{"settings"};
    std::filesystem::create_directory(dir.File("real"));
    const std::string target = dir.File("real/p.INI");
    WriteFile(target, "[S]\nk=old\n");
    std::filesystem::create_symlink("real/p.INI", dir.File("link.INI"));          // relative
    std::filesystem::create_symlink(dir.File("link.INI"), dir.File("link2.INI"));  // to a link

    Profile profile(dir.File("link2.INI"));
    ASSERT_TRUE(profile.WriteString("S", "k", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.INI")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link2.INI")));
    EXPECT_EQ(ReadFile(target), "[S]\nk=new\n");

    // A dangling link: the write creates the file it names.
    std::filesystem::create_symlink("real/new.INI", dir.File("dangling.INI"));
    Profile dangling(dir.File("dangling.INI"));
    ASSERT_TRUE(dangling.WriteString("S", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.INI")));
    EXPECT_EQ(ReadFile(dir.File("real/new.INI")), "[S]\nk=v\n");
}

// A process id that no process has: a child's, once it has been reaped.
pid_t EndedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(ProfileWrite, removesTemporaryFilesOfKilledWritersOnly) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[S]\nk=old\n");
    const std::string dead = std::to_string(EndedProcessId());
    const std::string parent = std::to_string(::getppid());  // alive while the test runs
    struct Case {
        std::string name;
        bool kept;
    };
    const std::vector<Case> cases = {
        {".p.INI.tmp" + dead + "-0", false},
        {".p.INI.tmp" + dead + "-17", false},
        {".p.INI.tmp" + parent + "-0", true},      // a live writer's
        {".p.INI.tmp" + dead + "-3.bak", true},    // not a name the writer makes
        {".other.INI.tmp" + dead + "-0", true},    // another file's
        {"p.INI.tmp" + dead + "-0", true},
    };
    for (const Case& c : cases) WriteFile(dir.File(c.name), "partial");
    // A writer whose process id is not (or no longer) what the name says, still writing: its
    // lock keeps the file.
    const std::string locked = ".p.INI.tmp" + dead + "-99";
    WriteFile(dir.File(locked), "partial");
    const int lockedFd = ::open(dir.File(locked).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lockedFd, 0);
    ASSERT_EQ(::flock(lockedFd, LOCK_EX), 0);
    const pid_t holder = ::fork();  // holds the lock on its own copy of the descriptor
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::pause();
        ::_exit(0);
    }
    ::close(lockedFd);

    Profile profile(path);
    EXPECT_TRUE(profile.WriteString("S", "k", "new"));
    for (const Case& c : cases) EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), c.kept) << c.name;
    EXPECT_TRUE(std::filesystem::exists(dir.File(locked)));

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(profile.WriteString("S", "k", "newer"));
    EXPECT_FALSE(std::filesystem::exists(dir.File(locked)));
    EXPECT_EQ(ReadFile(path), "[S]\nk=newer\n");
}

TEST(ProfileWrite, killedWritersLeaveNothingBehindAfterTheNextWrite) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[S]\nk=old\n");
    // Writers killed while their temporary file is open (stopped inside the write by a
    // file-size limit that raises SIGXFSZ, whose default action ends the process).
    for (int i = 0; i < 5; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{64, 64};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            Profile(path).WriteString("S", "k", std::string(5000, 'n'));
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
    }
    // Each writer removed the leftover of the one killed before it: only the last one's is left.
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 3u);
    EXPECT_TRUE(Profile(path).WriteString("S", "k", "new"));
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"p.INI", "p.INI.lock"}));
}

TEST(ProfileWrite, symlinkLoop_failsAndLeavesNoLockFile) {
    ScratchFolder dir{"settings"};
    std::filesystem::create_symlink("b.INI", dir.File("a.INI"));
    std::filesystem::create_symlink("a.INI", dir.File("b.INI"));
    std::filesystem::create_symlink("self.INI", dir.File("self.INI"));
    for (const char* name : {"a.INI", "self.INI"}) {
        Profile profile(dir.File(name));
        EXPECT_FALSE(profile.WriteString("S", "k", "v")) << name;
        EXPECT_EQ(profile.ReadString("S", "k", "default"), "default") << name;
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"a.INI", "b.INI", "self.INI"}));
}

// ---- Whole sections -------------------------------------------------------------------------

TEST(ProfileSection, readSection_givesKeysInOrderWithReadRules) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[L]\nb = \"2 \"\na=1\nB=dup\n[x]\nz=0\n[l]\nc=3\n");
    const auto keys = Profile(path).ReadSection("l");
    const std::vector<std::pair<std::string, std::string>> expected = {{"b", "2 "}, {"a", "1"}, {"c", "3"}};
    EXPECT_EQ(keys, expected);
    EXPECT_TRUE(Profile(path).ReadSection("none").empty());
}

// Keys that are file paths: two tags files whose paths differ only in case are two entries, each
// with its own target (F5 on one must not run the other's). An old profile's section, under any
// spelling of its name, still reads; other sections keep their names without regard to case.
TEST(ProfileSection, pathKeys_compareExactly) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[createtagsparam]\n/x/Old/tags=/src/old\n[system]\nmultiview=1\n");
    Profile profile(path);
    ASSERT_TRUE(profile.WriteString("CreateTagsParam", "/x/Proj/tags", "/srcA"));
    ASSERT_TRUE(profile.WriteString("CreateTagsParam", "/x/proj/tags", "/srcB"));
    ASSERT_TRUE(profile.WriteString("CreateTagsParam", "/x/Proj/tags", "/srcA2"));
    EXPECT_EQ(profile.ReadString("CreateTagsParam", "/x/Proj/tags", "*"), "/srcA2");
    EXPECT_EQ(profile.ReadString("CreateTagsParam", "/x/proj/tags", "*"), "/srcB");
    EXPECT_EQ(profile.ReadString("CreateTagsParam", "/x/old/tags", "*"), "*");
    EXPECT_EQ(profile.ReadString("CREATETAGSPARAM", "/x/Old/tags", "*"), "/src/old");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"/x/Old/tags", "/src/old"}, {"/x/Proj/tags", "/srcA2"}, {"/x/proj/tags", "/srcB"}};
    EXPECT_EQ(profile.ReadSection("CreateTagsParam"), expected);
    ASSERT_TRUE(profile.WriteInt("System", "MultiView", 0));
    EXPECT_EQ(ReadFile(path),
              "[createtagsparam]\n/x/Old/tags=/src/old\n/x/Proj/tags=/srcA2\n/x/proj/tags=/srcB\n"
              "[system]\nmultiview=0\n");
}

TEST(ProfileSection, writeSection_replacesKeysKeepsOtherLines) {
    ScratchFolder dir{"settings"};
    const std::string path = dir.File("p.INI");
    WriteFile(path, "[A]\na=1\n[L]\n; kept\nold1=x\nold2=y\n\n[B]\nb=1\n[L]\nold3=z\n");
    Profile profile(path);
    ASSERT_TRUE(profile.WriteSection("L", {{"n1", "p"}, {"n2", " q "}}));
    EXPECT_EQ(ReadFile(path), "[A]\na=1\n[L]\n; kept\nn1=p\nn2=\" q \"\n\n[B]\nb=1\n[L]\n");
    ASSERT_TRUE(profile.WriteSection("L", {}));
    EXPECT_EQ(ReadFile(path), "[A]\na=1\n[L]\n; kept\n\n[B]\nb=1\n[L]\n");
    ASSERT_TRUE(profile.WriteSection("New", {{"k", "v"}}));
    EXPECT_EQ(profile.ReadString("NEW", "K", ""), "v");
    EXPECT_FALSE(profile.WriteSection("L", {{"bad=key", "v"}}));

    // A section without keys gets them right after its header.
    WriteFile(path, "[L]\n\n[B]\n");
    ASSERT_TRUE(profile.WriteSection("L", {{"k", "v"}}));
    EXPECT_EQ(ReadFile(path), "[L]\nk=v\n\n[B]\n");
    WriteFile(path, "[L]");
    ASSERT_TRUE(profile.WriteSection("L", {{"k", "v"}}));
    EXPECT_EQ(ReadFile(path), "[L]\nk=v\n");
}

}  // namespace
}  // namespace quarrow
