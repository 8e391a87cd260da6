// A tags file is mapped while it is loaded and while its records are shown; another process may
// shrink it at any time. The load must then succeed or fail cleanly and the records must stay
// readable, never end the process.

#include "tags/tag_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "tags/load_progress.h"
#include "tags/tag_file_reader.h"
#include "tags/tag_store.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ScratchFolder;

// A tags file of about `bytes` bytes whose lines all read "nI\tfI.c\t/^x$/;\"\tf".
std::string ManyLines(std::size_t bytes) {
    std::string text;
    for (int i = 0; text.size() < bytes; ++i) {
        text += "n" + std::to_string(i) + "\tf" + std::to_string(i % 97) + ".c\t/^x$/;\"\tf\n";
    }
    return text;
}

// Reads every byte every record views; a lost page would end the process here.
std::size_t TouchEveryRecord(const TagStore& store) {
    std::size_t zeros = 0;
    for (const CTagEntry& record : store) {
        for (const char c : record.GetText()) {
            zeros += c == '\0' ? 1 : 0;
        }
    }
    return zeros;
}

TEST(TagText, RecordsOfAFileShrunkAfterTheLoadReadZerosWherePagesWereLost) {
    ScratchFolder dir;
    const std::string text = ManyLines(std::size_t{1} << 20);
    const std::string path = dir.Write("t.tags", text);
    TagStore store;
    ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store, nullptr, FileAccess::Map));
    ASSERT_GT(store.size(), 10000u);
    EXPECT_EQ(TouchEveryRecord(store), 0u);

    // Half of it stays: the first records keep their text, the last ones lost theirs.
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(text.size() / 2)), 0);
    EXPECT_GT(TouchEveryRecord(store), 0u);
    EXPECT_EQ(store.Records().front().GetName(), "n0");
    for (const char c : store.Records().back().GetText()) {
        EXPECT_EQ(c, '\0');
    }
    // Nothing left at all, and the file written again meanwhile: still no fault.
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    TouchEveryRecord(store);
    dir.Write("t.tags", "short\tf.c\t1;\"\tf\n");
    TouchEveryRecord(store);
    store.Clear();

    // A load after the change sees the file as it is now.
    ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store, nullptr, FileAccess::Map));
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].GetName(), "short");
}

TEST(TagText, BytesCopiedInOutliveTheFileShrinking) {
    ScratchFolder dir;
    // More than one of the copy's 16 MB steps, the last one short.
    const std::string text = ManyLines((std::size_t{16} << 20) + 5000);
    const std::string path = dir.Write("t.tags", text);
    TagStore store;
    ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store, nullptr, FileAccess::Map));
    const std::function<void()> copy = store.TextCopyJob();
    ASSERT_TRUE(copy);
    const char* before = store.Records().back().GetText().data();
    copy();
    copy();  // a second run finds the copy in place
    // The records view the same addresses, now the process's own memory: the file may go.
    EXPECT_EQ(store.Records().back().GetText().data(), before);
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    EXPECT_EQ(TouchEveryRecord(store), 0u);
    EXPECT_FALSE(store.TextLost());
    EXPECT_EQ(store.Records().front().GetName(), "n0");

    // A job whose text is gone copies nothing; a text that was read has no job.
    ASSERT_TRUE(ReadTagsFile(dir.Write("u.tags", text), CodePage::Utf8, store, nullptr, FileAccess::Map));
    const std::function<void()> orphan = store.TextCopyJob();
    store.Clear();
    orphan();
    ASSERT_TRUE(ReadTagsFile(dir.Write("v.tags", text), CodePage::Utf8, store, nullptr, FileAccess::Read));
    EXPECT_FALSE(store.TextCopyJob());
}

TEST(TagText, FileShrunkDuringTheLoadGivesACleanResult) {
    ScratchFolder dir;
    const std::string text = ManyLines(std::size_t{12} << 20);
    const std::string path = dir.File("t.tags");
    // Another process shrinks the file at different moments of the load, mapped or read.
    for (const FileAccess access : {FileAccess::Map, FileAccess::Read}) {
        for (int delayUs : {0, 200, 1000, 3000, 6000, 10000, 20000, 40000}) {
            SCOPED_TRACE(delayUs);
            SCOPED_TRACE(access == FileAccess::Map ? "mapped" : "read");
            dir.Write("t.tags", text);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::usleep(static_cast<useconds_t>(delayUs));
                ::_exit(::truncate(path.c_str(), static_cast<off_t>(text.size() / 3)) == 0 ? 0 : 1);
            }
            TagStore store;
            const bool loaded = ReadTagsFile(path, CodePage::Utf8, store, nullptr, access);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            if (loaded) {
                // Either the whole file, the third left of it, or (shrunk after the load) the whole
                // file's records whose lost bytes read as zeros.
                ASSERT_FALSE(store.empty());
                EXPECT_EQ(store.Records().front().GetName(), "n0");
                TouchEveryRecord(store);
                if (access == FileAccess::Read) {
                    // A read holds the file as it was when each part was read: the lines of a
                    // beginning of it, in order, the last one possibly cut short.
                    std::string lines;
                    for (const CTagEntry& record : store) {
                        lines.append(lines.empty() ? "" : "\n").append(record.GetText());
                    }
                    ASSERT_LE(lines.size(), text.size());
                    EXPECT_EQ(text.compare(0, lines.size(), lines), 0);
                }
            } else {
                EXPECT_TRUE(store.empty());
            }
        }
    }
}

// The file being shrunk at the moment the load has its bytes: the page that holds the new end
// reads zeros past it (in a mapping at once, in a read that copied the page after the zeroing).
std::string g_shrinkPath;
off_t g_shrinkTo = 0;
void ShrinkTheFile(int /*fd*/) { ASSERT_EQ(::truncate(g_shrinkPath.c_str(), g_shrinkTo), 0); }

TEST(TagText, FileShrunkOnceItsBytesAreHadGivesTheFileAsItIsNow) {
    ScratchFolder dir;
    // The new end lies in the last page, well before its end: no page is lost, and more zeros
    // follow it than one piece of a line takes.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::string text = ManyLines(std::size_t{64} << 10);
    text.resize(text.size() - text.size() % page + page - 100);
    text.back() = '\n';
    for (const FileAccess access : {FileAccess::Map, FileAccess::Read}) {
        SCOPED_TRACE(access == FileAccess::Map ? "mapped" : "read");
        g_shrinkPath = dir.Write("t.tags", text);
        g_shrinkTo = static_cast<off_t>(text.size() - text.size() % page + 300);
        TagStore store;
        SetBytesLoadedHookForTests(ShrinkTheFile);
        const bool loaded = ReadTagsFile(g_shrinkPath, CodePage::Utf8, store, nullptr, access);
        SetBytesLoadedHookForTests(nullptr);
        ASSERT_TRUE(loaded);
        TagStore now;
        ASSERT_TRUE(ReadTagsFile(g_shrinkPath, CodePage::Utf8, now));
        ASSERT_EQ(store.size(), now.size());
        for (std::size_t i = 0; i < now.size(); ++i) {
            ASSERT_EQ(store[i].GetText(), now[i].GetText()) << i;
        }
    }
}

TEST(TagText, MappedLoadsFollowTheTextModeRulesAsReadsDoAndReportTheSize) {
    ScratchFolder dir;
    const std::string longLine = "long\tL.c\t/^" + std::string(5000, 'x') + "$/;\"\tf\n";
    const std::string big = ManyLines(std::size_t{2} << 20);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"CR LF", "a\tA.c\t1;\"\tf\r\nb\tB.c\t2;\"\tf\r\n"},
        {"lone CR stays", "a\r\tA.c\t1;\"\tf\nb\tB.c\t2;\"\tf\r\n"},
        {"0x1A ends the file", "a\tA.c\t1;\"\tf\n\x1a" "b\tB.c\t2;\"\tf\n"},
        {"long line in pieces", "a\tA.c\t1;\"\tf\n" + longLine + "z\tZ.c\t3;\"\tf"},
        {"large with CR LF late", big + "c\tC.c\t1;\"\tf\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Write("t.tags", c.bytes);
        TagStore read;
        TagStore mapped;
        LoadProgress progress;
        ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, read));
        ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, mapped, &progress, FileAccess::Map));
        EXPECT_EQ(progress.Done(), c.bytes.size());
        ASSERT_EQ(mapped.size(), read.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            ASSERT_EQ(mapped[i].GetText(), read[i].GetText()) << i;
        }
        // The file itself is left as it was.
        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes);
    }
}

TEST(TagText, FaultsOutsideTheTagsFilesStillEndTheProcess) {
    ScratchFolder dir;
    const std::string path = dir.Write("t.tags", ManyLines(1000));
    const std::string other = dir.Write("other", std::string(std::size_t{1} << 16, 'x'));
    EXPECT_EXIT(
        {
            TagStore store;
            ReadTagsFile(path, CodePage::Utf8, store, nullptr, FileAccess::Map);  // the guard is in place from here on
            const int fd = ::open(other.c_str(), O_RDONLY);
            auto* bytes = static_cast<volatile char*>(::mmap(nullptr, std::size_t{1} << 16, PROT_READ, MAP_SHARED, fd, 0));
            (void)::truncate(other.c_str(), 0);
            (void)bytes[40000];
            ::_exit(0);
        },
        // Killed by SIGBUS; under a sanitizer, its handler reports the fault and exits.
        [](int status) { return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) || (WIFEXITED(status) && WEXITSTATUS(status) != 0); },
        "");
}

}  // namespace
}  // namespace quarrow
