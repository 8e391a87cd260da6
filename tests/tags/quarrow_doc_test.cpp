#include "tags/quarrow_doc.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/profile.h"
#include "tags/tag_file_reader.h"
#include "address_space_limit.h"
#include "temp_dir.h"

namespace quarrow {
namespace {

using test::AddressSpaceLimit;
using test::ReadBytes;
using test::TempDir;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::vector<std::string> TextsOf(const CQuarrowDoc& doc) {
    std::vector<std::string> texts;
    for (const CTagEntry& record : doc.GetTags()) {
        texts.emplace_back(record.GetText());
    }
    return texts;
}

// Two files written out of order, a header, an empty line and one over-long line.
const std::string kTags =
    "!_TAG_FILE_FORMAT\t2\t/extended format/\r\n"
    "run\tB.java\t/^    void run() {$/;\"\tm\tline:9\tclass:B\r\n"
    "B\tB.java\t/^class B {$/;\"\tc\tline:1\r\n"
    "\r\n"
    "b\tA.java\t/^void b() {$/;\"\tm\tline:5\tclass:A\r\n"
    "a\tA.java\t/^void a() {$/;\"\tm\tline:3\tclass:A\r\n" +
    std::string(2100, 'L') + "\n";

TEST(QuarrowDoc, LoadsSortsAndReloadsOneSet) {
    TempDir dir;
    const std::string path = dir.Write("x.tags", kTags);
    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(path), FileError::None);
    const std::vector<std::string> expected = {
        "!_TAG_FILE_FORMAT\t2\t/extended format/",
        "",
        std::string(53, 'L'),  // both pieces have no file and are one group: by name
        std::string(2047, 'L'),
        "a\tA.java\t/^void a() {$/;\"\tm\tline:3\tclass:A",
        "b\tA.java\t/^void b() {$/;\"\tm\tline:5\tclass:A",
        "B\tB.java\t/^class B {$/;\"\tc\tline:1",
        "run\tB.java\t/^    void run() {$/;\"\tm\tline:9\tclass:B",
    };
    EXPECT_EQ(TextsOf(doc), expected);
    EXPECT_EQ(doc.GetTagsPath(), path);
    EXPECT_EQ(doc.GetTagsDir(), dir.Path() + "/");

    ASSERT_EQ(doc.OpenDocument(path), FileError::None);
    EXPECT_EQ(TextsOf(doc), expected);

    // An empty file after another leaves nothing of the other.
    ASSERT_EQ(doc.OpenDocument(dir.Write("empty.tags", "")), FileError::None);
    EXPECT_TRUE(doc.GetTags().empty());
}

// A load reports its stages and the bytes it read; one asked to stop gives an empty store, says
// Cancelled (which has no message) and leaves the document as it was. The big file takes the
// threaded read.
TEST(QuarrowDoc, LoadReportsProgressAndStopsWhenAsked) {
    TempDir dir;
    std::string big;
    for (int i = 0; big.size() < (std::size_t{3} << 20); ++i) {
        big += "n" + std::to_string(i) + "\tF.java\t/^x$/;\"\tm\n";
    }
    for (const std::string& bytes : {kTags, big}) {
        SCOPED_TRACE(bytes.size());
        const std::string path = dir.Write("p.tags", bytes);
        CQuarrowDoc doc;
        TagStore store;
        LoadProgress progress;
        ASSERT_EQ(doc.ReadDocument(path, store, &progress), FileError::None);
        EXPECT_FALSE(store.empty());
        EXPECT_EQ(progress.Stage(), LoadStage::Ordering);
        EXPECT_EQ(progress.Done(), store.size());

        LoadProgress reading;
        ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store, &reading));
        EXPECT_EQ(reading.Stage(), LoadStage::Reading);
        EXPECT_EQ(reading.Total(), bytes.size());
        EXPECT_EQ(reading.Done(), bytes.size());

        ASSERT_EQ(doc.OpenDocument(dir.Write("shown.tags", kTags)), FileError::None);
        LoadProgress stopped;
        stopped.Cancel();
        EXPECT_EQ(doc.ReadDocument(path, store, &stopped), FileError::Cancelled);
        EXPECT_TRUE(store.empty());
        EXPECT_EQ(doc.GetTags().size(), 8u);
        EXPECT_EQ(FileErrorMessage(FileError::Cancelled, path), "");
    }
}

TEST(QuarrowDoc, TagsPathAndFolder) {
    CQuarrowDoc doc;
    EXPECT_TRUE(doc.LoadTags());  // nothing to load yet
    EXPECT_TRUE(doc.GetTags().empty());

    struct Step {
        std::string path;
        std::string dir;
    };
    const std::vector<Step> steps = {
        {"/home/me/src/x.tags", "/home/me/src/"},
        {"relative.tags", "/home/me/src/"},  // no separator: the folder stays
        {"/y.tags", "/"},
        {"/a/b/", "/a/b/"},
    };
    for (const Step& step : steps) {
        doc.SetTagsPath(step.path);
        EXPECT_EQ(doc.GetTagsPath(), step.path);
        EXPECT_EQ(doc.GetTagsDir(), step.dir) << step.path;
    }
}

TEST(QuarrowDoc, OpenFailureNamesTheCauseAndChangesNothing) {
    TempDir dir;
    const std::string good = dir.Write("good.tags", kTags);
    const std::string plain = dir.Write("plain.txt", "x");
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.Path("sub"));

    struct Case {
        std::string path;
        FileError error;
    };
    std::vector<Case> cases = {
        {dir.Path("missing.tags"), FileError::NotFound},
        {dir.Path("nofolder/x.tags"), FileError::BadPath},
        {plain + "/x.tags", FileError::BadPath},
        {"", FileError::BadPath},
        {dir.Path("sub"), FileError::NotAFile},
        {fifo, FileError::NotAFile},
    };
    if (::geteuid() != 0) {  // root opens every file
        const std::string locked = dir.Write("locked.tags", "a\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        cases.push_back({locked, FileError::AccessDenied});
        const std::string shut = dir.Path("shut");
        std::filesystem::create_directory(shut);
        dir.Write("shut/in.tags", "a\n");
        ASSERT_EQ(::chmod(shut.c_str(), 0), 0);
        cases.push_back({shut + "/in.tags", FileError::AccessDenied});
    }

    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(good), FileError::None);
    const std::vector<std::string> before = TextsOf(doc);
    for (const Case& c : cases) {
        EXPECT_EQ(doc.OpenDocument(c.path), c.error) << c.path;
        EXPECT_EQ(doc.GetTagsPath(), good);
        EXPECT_EQ(doc.GetTagsDir(), dir.Path() + "/");
        EXPECT_EQ(TextsOf(doc), before);
    }
}

TEST(QuarrowDoc, FileErrorMessages) {
    const std::string path = "/t/x.tags";
    EXPECT_EQ(FileErrorMessage(FileError::NotFound, path), "/t/x.tags が見つかりませんでした。");
    EXPECT_EQ(FileErrorMessage(FileError::BadPath, path), "/t/x.tags には無効なﾊﾟｽが含まれています。");
    EXPECT_EQ(FileErrorMessage(FileError::AccessDenied, path), "/t/x.tags にアクセスできません。");
    EXPECT_EQ(FileErrorMessage(FileError::NotAFile, path), "/t/x.tags はファイルではありません。");
    EXPECT_EQ(FileErrorMessage(FileError::None, path), "");
    EXPECT_EQ(FileErrorMessage(FileError::NotFound, "/%1/a"), "/%1/a が見つかりませんでした。");
}

TEST(QuarrowDoc, SaveWritesStoreOrderWithLfAndRoundTrips) {
    TempDir dir;
    const std::string loaded = dir.Write("x.tags", kTags);
    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(loaded), FileError::None);

    const std::string saved = dir.Path("saved.tags");
    dir.Write("saved.tags", std::string(100000, 'o'));  // an older, longer file is truncated
    ASSERT_TRUE(doc.SaveDocumentAs(saved));
    std::string expected;
    for (const std::string& text : TextsOf(doc)) {
        expected += text + "\n";
    }
    EXPECT_EQ(ReadBytes(saved), expected);
    EXPECT_EQ(doc.GetTagsPath(), loaded);  // saving keeps naming the loaded file

    // The saved file loads back into the same store, except that the 2047-byte piece, now a
    // line of its own, brings a lone LF as one more empty record.
    CQuarrowDoc again;
    ASSERT_EQ(again.OpenDocument(saved), FileError::None);
    std::vector<std::string> reloaded = TextsOf(doc);
    reloaded.insert(reloaded.begin() + 1, "");
    EXPECT_EQ(TextsOf(again), reloaded);
    // Saving over the loaded file itself works from the store in memory.
    ASSERT_TRUE(doc.SaveDocumentAs(loaded));
    EXPECT_EQ(ReadBytes(loaded), expected);
}

TEST(QuarrowDoc, SaveFailuresAreReported) {
    TempDir dir;
    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(dir.Write("x.tags", kTags)), FileError::None);
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.Path(), dir.Path("nofolder/x.tags"), fifo, std::string()}) {
        EXPECT_FALSE(doc.SaveDocumentAs(path)) << path;
    }
    // A device that takes no bytes: the failed write is not success.
    if (std::FILE* full = std::fopen("/dev/full", "wb")) {
        EXPECT_FALSE(doc.WriteTags(full));
        std::fclose(full);
    }
}

TEST(QuarrowDoc, SaveReplacesTheTargetWholeKeepingItsPermissionsAndLinks) {
    TempDir dir;
    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(dir.Write("x.tags", kTags)), FileError::None);
    std::string expected;
    for (const std::string& text : TextsOf(doc)) {
        expected += text + "\n";
    }
    const std::string target = dir.Write("old.tags", "old\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink("old.tags", dir.Path("link.tags"));

    for (const std::string& path : {target, dir.Path("link.tags"), dir.Path("new.tags")}) {
        ASSERT_TRUE(doc.SaveDocumentAs(path)) << path;
        EXPECT_EQ(ReadBytes(path), expected) << path;
    }
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.tags")));
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"link.tags", "new.tags", "old.tags", "x.tags"}));
}

TEST(QuarrowDoc, FailedSaveLeavesTheOldFileByteForByteAndNoTemporaryFile) {
    // A file-size limit below the document's size makes the write fail part way, as a full disk
    // would, for any user.
    TempDir dir;
    const std::string loaded = dir.Write("x.tags", kTags);
    const std::string before(1500, 'o');
    const std::string target = dir.Write("old.tags", before);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const std::vector<std::string> entries = FolderEntries(dir.Path());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CQuarrowDoc doc;
        const bool loadedOk = doc.OpenDocument(loaded) == FileError::None;
        const bool saved = doc.SaveDocumentAs(target);
        ::_exit(!loadedOk ? 2 : saved ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the failed save was reported as success";
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), entries);
}

TEST(QuarrowDoc, LoadThatCannotGetItsMemoryReportsItAndKeepsTheDocument) {
    if (test::kAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer's shadow memory does not live under an address-space limit";
    }
    TempDir dir;
    const std::string small = dir.Write("small.tags", kTags);
    // 2,000,000 short lines with distinct names: about 64 MB of records, and more while they are
    // ordered; more than the memory earlier tests of this process leave free for reuse, which
    // the limit does not count.
    std::string lines;
    for (int i = 0; i < 2000000; ++i) {
        lines += std::to_string(10000000 + i) + "\n";
    }
    const std::string big = dir.Write("big.tags", lines);

    CQuarrowDoc doc;
    ASSERT_EQ(doc.OpenDocument(small), FileError::None);
    const std::vector<std::string> before = TextsOf(doc);
    // Limits that stop the load at different steps (the bytes, the records, the order), and one
    // that lets it through.
    bool failed = false;
    for (const std::size_t headroom : {std::size_t{1} << 20, std::size_t{6} << 20, std::size_t{20} << 20,
                                       std::size_t{40} << 20, std::size_t{512} << 20}) {
        FileError error = FileError::None;
        {
            const AddressSpaceLimit limit(headroom);
            ASSERT_TRUE(limit.Set());
            error = doc.OpenDocument(big);
        }
        if (error == FileError::OutOfMemory) {
            failed = true;
            EXPECT_EQ(TextsOf(doc), before) << headroom;
            EXPECT_EQ(doc.GetTagsPath(), small) << headroom;
        } else {
            ASSERT_EQ(error, FileError::None) << headroom;
            EXPECT_EQ(doc.GetTags().size(), 2000000u) << headroom;
            EXPECT_EQ(doc.GetTagsPath(), big) << headroom;
            ASSERT_EQ(doc.OpenDocument(small), FileError::None);
        }
    }
    EXPECT_TRUE(failed) << "no limit made the load fail";
    EXPECT_EQ(FileErrorMessage(FileError::OutOfMemory, "/t/big.tags"), "/t/big.tags を読み込むためのメモリが足りません。");
}

TEST(QuarrowDoc, DestructionLeavesTheLoadedPathInTheProfile) {
    TempDir dir;
    Profile profile(dir.Path("Quarrow.INI"));
    const std::string loaded = dir.Write("x.tags", kTags);
    {
        CQuarrowDoc doc(&profile);
        ASSERT_EQ(doc.OpenDocument(loaded), FileError::None);
        ASSERT_TRUE(doc.SaveDocumentAs(dir.Path("other.tags")));
    }
    EXPECT_EQ(profile.ReadString("TAGS", "LASTTAGS", "unset"), loaded);

    // Nothing loaded: the key is written empty.
    { CQuarrowDoc doc(&profile); }
    EXPECT_EQ(profile.ReadString("TAGS", "LASTTAGS", "unset"), "");
}

}  // namespace
}  // namespace quarrow
