#include "file_stamp.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

void write(const std::string& path, const char* text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

// Every way the file can change is told once, and nothing is told while it rests:
// otherwise the spectrum's background would miss a new picture, or be asked about
// with a status call at every frame again.
TEST(FileChangeWatch, TellsEveryChangeOnceAndNothingAtRest) {
    fixture::TempDir dir;
    const std::string path = dir.path("Fon.bmp");
    FileChangeWatch watch(path);
    EXPECT_TRUE(watch.mayHaveChanged());  // the first ask
    EXPECT_FALSE(watch.mayHaveChanged());

    write(path, "created");
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());

    { std::ofstream(path, std::ios::binary | std::ios::app) << " and written"; }
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());

    write(dir.path("new.bmp"), "replacement");
    EXPECT_TRUE(watch.mayHaveChanged());
    std::filesystem::rename(dir.path("new.bmp"), path);
    EXPECT_TRUE(watch.mayHaveChanged());
    { std::ofstream(path, std::ios::binary | std::ios::app) << " written after the replacement"; }
    EXPECT_TRUE(watch.mayHaveChanged());

    std::filesystem::remove(path);
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
}

// The file reached through a link: writing the picture it points to is a change too.
TEST(FileChangeWatch, FollowsALinkToAFileElsewhere) {
    fixture::TempDir dir, elsewhere;
    const std::string target = elsewhere.path("picture.bmp");
    write(target, "first");
    std::filesystem::create_symlink(target, dir.path("Fon.bmp"));
    FileChangeWatch watch(dir.path("Fon.bmp"));
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
    write(target, "second");
    EXPECT_TRUE(watch.mayHaveChanged());
}

// Without its folder nothing can be followed: every ask says yes, never a stale no.
TEST(FileChangeWatch, AFolderThatGoesAwayIsAskedEveryTime) {
    fixture::TempDir dir;
    const std::filesystem::path folder = dir.path("skin");
    std::filesystem::create_directory(folder);
    FileChangeWatch watch((folder / "Fon.bmp").string());
    EXPECT_TRUE(watch.mayHaveChanged());
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_TRUE(watch.mayHaveChanged());
    FileChangeWatch missing(dir.path("no such folder/Fon.bmp"));
    EXPECT_TRUE(missing.mayHaveChanged());
    EXPECT_TRUE(missing.mayHaveChanged());
}
