// Several processes writing one profile at once, as several running instances do.

#include "settings/profile.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

constexpr int kWriters = 4;
constexpr int kRounds = 25;

std::string KeyOf(int writer, int round) { return "w" + std::to_string(writer) + "k" + std::to_string(round); }

TEST(ProfileConcurrency, writersOfDifferentKeys_loseNothingAndReadersNeverSeeAPartialFile) {
    test::ScratchFolder dir{"settings"};
    const std::string path = dir.File("shared.INI");
    test::WriteFile(path, "[ANCHOR]\nkept=yes\n");

    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Profile profile(path);
            int failures = 0;
            // Keys in a section of the writer's own and in one that every writer adds to.
            for (int round = 0; round < kRounds; ++round) {
                failures += !profile.WriteInt("W" + std::to_string(writer), KeyOf(writer, round), -1);
                failures += !profile.WriteInt("SHARED", KeyOf(writer, round), round);
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    // A reader meanwhile: the file is always whole, so the first key is always there.
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        const Profile profile(path);
        int misses = 0;
        for (int i = 0; i < 2000; ++i) misses += profile.ReadString("ANCHOR", "kept", "") != "yes";
        ::_exit(misses == 0 ? 0 : 1);
    }
    children.push_back(reader);

    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }

    const Profile profile(path);
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int round = 0; round < kRounds; ++round) {
            EXPECT_EQ(profile.ReadInt("W" + std::to_string(writer), KeyOf(writer, round), 0), -1);
            EXPECT_EQ(profile.ReadInt("SHARED", KeyOf(writer, round), -1), round);
        }
    }
    EXPECT_EQ(profile.ReadString("ANCHOR", "kept", ""), "yes");
}

}  // namespace
}  // namespace quarrow
