#include "platform/detached_process.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/process_checks.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ScratchFolder;

class DetachedProcessTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(test::HasNoChildren()) << "the starter left a child behind"; }
    ScratchFolder m_dir{"process"};
};

TEST_F(DetachedProcessTest, StartsTheProgramWithItsArgumentsAndDoesNotWait) {
    const std::string out = m_dir / "args.txt";
    // Waits before writing: the start must return long before that.
    const std::string editor = m_dir.WriteProgram(
        "editor", test::ArgumentWriterScript(out, "sleep 0.5; awk '{print $6}' /proc/$$/stat > '" + out +
                                                      ".sid'; readlink /proc/$$/fd/0 > '" + out + ".in'"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartDetached({editor, {"editor", "+12", "/a b/$(touch x).java"}}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_FALSE(std::filesystem::exists(out));
    ASSERT_TRUE(test::WaitForFile(out));
    EXPECT_EQ(test::ReadLines(out), (std::vector<std::string>{"+12", "/a b/$(touch x).java"}));
    EXPECT_EQ(test::ReadLines(out + ".in"), std::vector<std::string>{"/dev/null"});
    // A session of its own: not Quarrow's.
    const std::vector<std::string> sid = test::ReadLines(out + ".sid");
    ASSERT_EQ(sid.size(), 1u);
    EXPECT_NE(std::stol(sid[0]), static_cast<long>(::getsid(0)));
}

TEST_F(DetachedProcessTest, LooksABareNameUpAlongPath) {
    const std::string out = m_dir / "args.txt";
    m_dir.WriteProgram("bin/quarrow-fake-editor", test::ArgumentWriterScript(out));
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    // A folder before it holds a same-named file that is not executable: skipped, as execvp does.
    m_dir.Write("first/quarrow-fake-editor", "not a program");
    ::setenv("PATH", (m_dir / "first" + ":" + m_dir / "bin" + ":" + oldPath).c_str(), 1);
    const int error = StartDetached({"quarrow-fake-editor", {"quarrow-fake-editor", "x"}});
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(error, 0);
    ASSERT_TRUE(test::WaitForFile(out));
    EXPECT_EQ(test::ReadLines(out), std::vector<std::string>{"x"});
}

TEST_F(DetachedProcessTest, ReportsAProgramThatCannotStart) {
    m_dir.Write("text", "not a program");
    EXPECT_EQ(StartDetached({m_dir / "missing", {"missing"}}), ENOENT);
    EXPECT_EQ(StartDetached({m_dir / "text", {"text"}}), EACCES);
    EXPECT_EQ(StartDetached({"quarrow-no-such-editor-anywhere", {}}), ENOENT);
    EXPECT_EQ(StartDetached({"", {}}), ENOENT);
}

}  // namespace
}  // namespace quarrow
