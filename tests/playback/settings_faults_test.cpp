// Config2.ini when the disk says no: a folder that cannot be written, a full disk, a
// file size limit, and a kill in the middle of the save. The old file stays whole.
#include "config2.h"
#include "player_settings.h"
#include "program_files.h"
#include "temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kOld = "[Form info]\r\nLeft=11\r\nTop=22\r\n[Image info]\r\nLeftaa=33\r\n";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A small file system of its own, for the cases that need one; unmounted afterwards.
class Mounted {
public:
    explicit Mounted(const std::string& dir, const char* options) : dir_(dir) {
        ok_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options) == 0;
    }
    ~Mounted() {
        if (ok_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }
    bool remountReadOnly() { return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    std::string dir_;
    bool ok_ = false;
};

class SettingsFaults : public ::testing::Test {
protected:
    QString folder() const { return QString::fromStdString(dir.root()); }
    QString file() const { return folder() + "/Config2.ini"; }
    fixture::TempDir dir;
};

// An installed program's folder: the settings go to the user's configuration folder,
// are read from there next time, and the file beside the program stays as it was.
TEST_F(SettingsFaults, ReadOnlyFolderSavesIntoTheConfigurationFolder) {
    const std::string program = dir.path("program");
    std::filesystem::create_directory(program);
    Mounted fs(program, "size=1m");
    if (geteuid() == 0 && !fs.ok()) GTEST_SKIP() << "running as root without the right to mount a read-only folder";
    const QString programDir = QString::fromStdString(program);
    writeAll(programDir + "/Config2.ini", kOld);
    writeAll(programDir + "/" + kInstalledMarker, "installed\n");
    if (fs.ok()) ASSERT_TRUE(fs.remountReadOnly());
    else ASSERT_EQ(::chmod(program.c_str(), 0555), 0);
    qputenv("XDG_CONFIG_HOME", dir.path("config").c_str());
    EXPECT_EQ(PlayerSettings::load(Config2File(programDir)).place, QPoint(11, 22));  // the copy beside the program
    EXPECT_TRUE((PlayerSettings{{500, 300}, 80}.save(Config2File(programDir))));
    EXPECT_EQ(readAll(programDir + "/Config2.ini"), kOld);
    const QString saved = QString::fromStdString(dir.path("config/rwn8/Config2.ini"));
    EXPECT_TRUE(readAll(saved).contains("Left=500\r\n")) << readAll(saved).constData();
    const PlayerSettings back = PlayerSettings::load(Config2File(programDir));
    EXPECT_EQ(back.place, QPoint(500, 300));
    EXPECT_EQ(back.volumeThumbLeft, 80);
    qunsetenv("XDG_CONFIG_HOME");
    if (!fs.ok()) ::chmod(program.c_str(), 0755);
}

TEST_F(SettingsFaults, FullDiskKeepsTheOldFile) {
    Mounted fs(dir.root(), "size=64k");
    if (!fs.ok()) GTEST_SKIP() << "no right to mount a small file system here";
    writeAll(file(), kOld);
    // A long line elsewhere in the file makes the new copy larger than the room left.
    QByteArray big = kOld + "[Other]\r\nKeep=" + QByteArray(20000, 'x') + "\r\n";
    writeAll(file(), big);
    QFile filler(folder() + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {}
    filler.close();
    EXPECT_FALSE((PlayerSettings{{500, 300}, 80}.save(Config2File(folder()))));
    EXPECT_EQ(readAll(file()), big);
}

TEST_F(SettingsFaults, FileSizeLimitKeepsTheOldFile) {
    const QByteArray big = kOld + "[Other]\r\nKeep=" + QByteArray(8000, 'x') + "\r\n";
    writeAll(file(), big);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The write past the limit fails with an error instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(PlayerSettings{{500, 300}, 80}.save(Config2File(folder())) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save said it succeeded";
    EXPECT_EQ(readAll(file()), big);
}

TEST_F(SettingsFaults, KillDuringTheSaveLeavesOneWholeFile) {
    // Large enough that a save takes a while to write.
    const QByteArray other = "[Other]\r\nKeep=" + QByteArray(200000, 'x') + "\r\n";
    writeAll(file(), "[Form info]\r\nLeft=5\r\nTop=5\r\n" + other);
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) PlayerSettings{{i, i}, 16 + i % 100}.save(Config2File(folder()));
        }
        usleep(std::uniform_int_distribution<int>(1000, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const QByteArray now = readAll(file());
        ASSERT_TRUE(now.contains(other) && now.endsWith("\r\n"))
            << "round " << round << ": " << now.left(80).constData();
        const PlayerSettings read = PlayerSettings::load(Config2File(folder()));
        EXPECT_EQ(read.place.x(), read.place.y());
    }
}

}  // namespace
