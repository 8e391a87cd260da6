// The scratch folder every test writes into: it names only places inside itself, and it goes
// with everything in it, folders the test locked too.
#include "support/scratch_folder.h"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

namespace quarrow::test {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, NamesOnlyPlacesInsideItself) {
    const ScratchFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    EXPECT_TRUE(fs::is_directory(folder.Path()));
    EXPECT_EQ(folder.File("a/b.txt"), folder.Path() + "/a/b.txt");
    EXPECT_EQ(folder / "x", folder.Path() + "/x");
    EXPECT_THROW(folder.File(""), std::invalid_argument);
    EXPECT_THROW(folder.File("/x"), std::invalid_argument);
}

TEST(ScratchFolder, GoesWithLockedFoldersAndProgramsInIt) {
    std::string path;
    {
        const ScratchFolder folder("support");
        path = folder.Path();
        const std::string program = folder.WriteProgram("bin/tool", "#!/bin/sh\n");
        EXPECT_TRUE(fs::status(program).permissions() ==
                    (fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                     fs::perms::others_exec));
        folder.Write("locked/inner/data", "x");
        ASSERT_EQ(::chmod(folder.File("locked/inner").c_str(), 0), 0);
        ASSERT_EQ(::chmod(folder.File("locked").c_str(), 0), 0);
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(ScratchFolder, WriteFailsLoudly) {
    const ScratchFolder folder;
    folder.Write("file", "x");
    EXPECT_THROW(folder.Write("file/below", "y"), std::exception);
}

}  // namespace
}  // namespace quarrow::test
