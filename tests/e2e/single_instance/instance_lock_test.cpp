#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <array>

#include "platform/ui/instance_lock.h"

namespace {

// flock locks belong to each open file, so several locks in one process behave like instances.
TEST(InstanceLock, existedAlready_whileAnyOtherHolderLives) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("QUARROW-MUTEXCHECKSTRING")).toStdString();
    std::array<quarrow::InstanceLock, 4> locks;

    ASSERT_TRUE(locks[0].Acquire(path));
    EXPECT_FALSE(locks[0].ExistedAlready());
    ASSERT_TRUE(locks[1].Acquire(path));
    EXPECT_TRUE(locks[1].ExistedAlready());

    locks[0].Release();  // the first holder ends; the second keeps the lock alive
    ASSERT_TRUE(locks[2].Acquire(path));
    EXPECT_TRUE(locks[2].ExistedAlready());

    locks[1].Release();
    locks[2].Release();
    ASSERT_TRUE(locks[3].Acquire(path));
    EXPECT_FALSE(locks[3].ExistedAlready()) << "nobody holds it any more";
}

TEST(InstanceLock, unusableDirectory_notHeld) {
    quarrow::InstanceLock lock;
    EXPECT_FALSE(lock.Acquire("/nonexistent-quarrow-dir/QUARROW-MUTEXCHECKSTRING"));
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_FALSE(lock.ExistedAlready());
}

}  // namespace
