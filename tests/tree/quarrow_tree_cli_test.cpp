#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace {

using quarrow::test::ReadFile;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the tool through the shell with the words given (already quoted), capturing both streams.
ToolRun RunTool(const std::string& arguments) {
    const quarrow::test::ScratchFolder dir{"tree"};
    const std::string out = dir / "out";
    const std::string err = dir / "err";
    const std::string command =
        std::string("'") + QUARROW_TREE_EXE + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
}

const std::string kData = QUARROW_TREE_DATA;

TEST(QuarrowTree, PrintsTheTreeOfTheOrderedStore) {
    const ToolRun run = RunTool("'" + kData + "/small.tags'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(kData + "/small.tree.txt"));
    EXPECT_EQ(run.err, "");
}

TEST(QuarrowTree, StorePrintsTheLinesAsSavingWritesThem) {
    const ToolRun run = RunTool("--store '" + kData + "/small.tags'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(kData + "/small.store.txt"));
}

TEST(QuarrowTree, CodePage932ReadsKeysOnCharacterBoundaries) {
    // The pattern holds 0x83 then "access:private": in Shift-JIS the 'a' is the second byte of a
    // character, so the real access field (public) is the one read.
    EXPECT_EQ(RunTool("--code-page 932 '" + kData + "/sjis.tags'").out, "11 A.java [expanded]\n  7 a\n");
    EXPECT_EQ(RunTool("--code-page 65001 '" + kData + "/sjis.tags'").out, "11 A.java [expanded]\n  4 a\n");
}

TEST(QuarrowTree, WithoutACodePageTheFileTellsItAndVerboseSaysWhich) {
    // The file is Shift-JIS and not UTF-8: read as 932 when no code page is given.
    const ToolRun found = RunTool("--verbose '" + kData + "/sjis.tags'");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "11 A.java [expanded]\n  7 a\n");
    EXPECT_EQ(found.err, "quarrow-tree: code page 932 (Shift-JIS), found from the file's bytes\n");
    const ToolRun plain = RunTool("--verbose '" + kData + "/small.tags'");
    EXPECT_EQ(plain.out, ReadFile(kData + "/small.tree.txt"));
    EXPECT_EQ(plain.err, "quarrow-tree: code page 65001 (UTF-8), found from the file's bytes\n");
    EXPECT_EQ(RunTool("--verbose --code-page 65001 '" + kData + "/sjis.tags'").err,
              "quarrow-tree: code page 65001 (UTF-8), as given\n");
    // Without --verbose nothing is said.
    EXPECT_EQ(RunTool("'" + kData + "/sjis.tags'").err, "");
}

TEST(QuarrowTree, FilterPrintsTheKeptNodesWithTheirExpansion) {
    EXPECT_EQ(RunTool("--filter RUN '" + kData + "/small.tags'").out,
              "12 src/com/example/app [expanded]\n  11 Main.java [expanded]\n    5 run\n");
    // Kept by its name only: all its members, shown closed.
    EXPECT_EQ(RunTool("--filter=strings.java '" + kData + "/small.tags'").out,
              "12 src/com/example/util [expanded]\n  11 Strings.java\n    9 com.example.util\n"
              "    8 Strings\n    7 join\n    0 EMPTY\n");
    EXPECT_EQ(RunTool("--filter '' '" + kData + "/small.tags'").out, ReadFile(kData + "/small.tree.txt"));
    const ToolRun none = RunTool("--filter zzz '" + kData + "/small.tags'");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    // With the code page: the member is found, and read with the Shift-JIS rules.
    EXPECT_EQ(RunTool("--code-page 932 --filter A '" + kData + "/sjis.tags'").out, "11 A.java [expanded]\n  7 a\n");
    EXPECT_EQ(RunTool("--filter").status, 2);
}

TEST(QuarrowTree, KindsAndAccessHideMembersWithOrWithoutAFilter) {
    const std::string file = " '" + kData + "/small.tags'";
    EXPECT_EQ(RunTool("--kinds m" + file).out,
              "12 src/com/example/app [expanded]\n  11 Main.java\n    7 main\n    5 run\n"
              "12 src/com/example/util [expanded]\n  11 Strings.java\n    7 join\n");
    EXPECT_EQ(RunTool("--filter s --kinds cf --access public,package" + file).out,
              "12 src/com/example/util [expanded]\n  11 Strings.java [expanded]\n    8 Strings\n    0 EMPTY\n");
    const ToolRun bad = RunTool("--access friend" + file);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
}

TEST(QuarrowTree, FindPrintsTheRankedTagsWithTheirFields) {
    const std::string file = " '" + kData + "/small.tags'";
    // The whole name in either case, then a prefix; equal scores and lengths keep the store's order.
    const ToolRun run = RunTool("--find main" + file);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Main\tc\t\tsrc/com/example/app/Main.java\t3\t2097256\n"
              "main\tm\tMain\tsrc/com/example/app/Main.java\t5\t2097256\n");
    EXPECT_EQ(RunTool("--find ma --limit 1" + file).out, "Main\tc\t\tsrc/com/example/app/Main.java\t3\t1048628\n");
    EXPECT_EQ(RunTool("--find 'Main.r'" + file).out, "run\tm\tMain\tsrc/com/example/app/Main.java\t9\t1048602\n");
    EXPECT_EQ(RunTool("--find 'k:f'" + file).out, "EMPTY\tf\tStrings\tsrc/com/example/util/Strings.java\t4\t0\n");
    EXPECT_EQ(RunTool("--find 'jn f:UTIL'" + file).out,
              "join\tm\tStrings\tsrc/com/example/util/Strings.java\t5\t38\n");
    for (const char* nothing : {"--find ''", "--find zzz", "--find 'run k:c'", "--find a --limit 0"}) {
        const ToolRun none = RunTool(nothing + file);
        EXPECT_EQ(none.status, 0) << nothing;
        EXPECT_EQ(none.out, "") << nothing;
    }
    for (const char* wrong : {"--find", "--find a --limit x", "--find a --limit -1", "--find a --limit"}) {
        const ToolRun bad = RunTool(wrong + file);
        EXPECT_EQ(bad.status, 2) << wrong;
        EXPECT_EQ(bad.out, "") << wrong;
    }
}

TEST(QuarrowTree, MissingFileFailsWithAMessageNamingIt) {
    const std::string missing = kData + "/no-such-file.tags";
    const ToolRun run = RunTool("'" + missing + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("見つかりませんでした"), std::string::npos) << run.err;
}

TEST(QuarrowTree, FolderInsteadOfAFileFails) {
    const ToolRun run = RunTool("'" + kData + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(kData), std::string::npos) << run.err;
}

TEST(QuarrowTree, BadArgumentsShowTheUsage) {
    for (const char* arguments : {"", "--frobnicate x.tags", "--code-page", "--code-page abc x.tags", "a.tags b.tags"}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find("Usage: quarrow-tree"), std::string::npos) << arguments;
    }
    const ToolRun help = RunTool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quarrow-tree"), std::string::npos);
}

}  // namespace
