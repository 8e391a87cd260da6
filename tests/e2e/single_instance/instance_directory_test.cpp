#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ui/instance_directory.h"

namespace {

TEST(InstanceDirectory, shortRuntimeFolder_isUsedAsItIs) {
    EXPECT_EQ(quarrow::InstanceDirectory("/run/user/1000"), "/run/user/1000");
    EXPECT_TRUE(quarrow::InstanceSocketFits(std::string(60, 'r')));
    EXPECT_FALSE(quarrow::InstanceSocketFits(std::string(100, 'r')));
}

// What may already stand at the private folder's name in a shared folder, and whether it is used.
TEST(InstanceDirectory, privateFolder_isUsedOnlyWhenItIsThisUsersAlone) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path, const std::string& parent)> prepare;
        bool used;
    };
    const Case cases[] = {
        {"nothing: made with mode 0700", [](const std::string&, const std::string&) {}, true},
        {"this user's folder, mode 0700", [](const std::string& path, const std::string&) { ::mkdir(path.c_str(), 0700); },
         true},
        {"a folder others may enter",
         [](const std::string& path, const std::string&) {
             ::mkdir(path.c_str(), 0700);
             ::chmod(path.c_str(), 0755);
         },
         false},
        {"a link to this user's folder",
         [](const std::string& path, const std::string& parent) {
             const std::string real = parent + "/real";
             ::mkdir(real.c_str(), 0700);
             ASSERT_EQ(::symlink(real.c_str(), path.c_str()), 0);
         },
         false},
        {"a file", [](const std::string& path, const std::string&) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600)); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir parent;
        ASSERT_TRUE(parent.isValid());
        const std::string parentPath = parent.path().toStdString();
        const std::string expected = parentPath + "/quarrow-" + std::to_string(::getuid());
        c.prepare(expected, parentPath);
        const std::string folder = quarrow::PrivateInstanceDirectory(parentPath);
        if (!c.used) {
            EXPECT_EQ(folder, "");
            continue;
        }
        ASSERT_EQ(folder, expected);
        struct stat info {};
        ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700U);
        EXPECT_EQ(info.st_uid, ::getuid());
    }
}

// Only the superuser can give a folder to someone else.
TEST(InstanceDirectory, privateFolderOfAnotherUser_isNotUsed) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs the superuser to hand a folder to another user";
    }
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    const std::string path = parent.path().toStdString() + "/quarrow-0";
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    EXPECT_EQ(quarrow::PrivateInstanceDirectory(parent.path().toStdString()), "");
}

}  // namespace
