#include "single_instance.h"
#include "temp_dir.h"

#include <QLockFile>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

TEST(SingleInstance, ASecondCopyIsRefused) {
    fixture::TempDir dir;
    const QString path = QString::fromStdString(dir.path("R.W.N.8..lock"));
    SingleInstance first(path);
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.acquire());  // holding it already
    SingleInstance second(path);
    EXPECT_FALSE(second.acquire());
}

TEST(SingleInstance, ALockLeftByACrashedCopyIsTakenOver) {
    fixture::TempDir dir;
    const QString path = QString::fromStdString(dir.path("R.W.N.8..lock"));
    const pid_t child = fork();
    if (child == 0) {
        QLockFile lock(path);
        lock.tryLock(0);
        _exit(0);  // dies holding it, as a crash would
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(QFileInfo::exists(path));
    SingleInstance next(path);
    EXPECT_TRUE(next.acquire());
}
