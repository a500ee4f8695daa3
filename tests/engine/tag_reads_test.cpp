// Tags read ahead for the search, on the audio thread, while nothing waits for them.
#include "engine.h"
#include "engine_fixture.h"
#include "tag_reads.h"
#include "tag_writer.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace fixture;
namespace api = rwn8::engine;

namespace {

class TagsReadAhead : public EngineTest {
protected:
    void TearDown() override {
        api::setTagsReadNotify(nullptr, nullptr);
        EngineTest::TearDown();
    }
    std::string tagged(const std::string& name, const TagSpec& tags) {
        ToneSpec recipe;
        recipe.seconds = 0.5;
        const std::string p = make(name, recipe);
        if (!tags.title.empty() || !tags.artist.empty()) writeId3v2(p, tags, 4, V2Text::Utf8);
        return p;
    }
    static void count(void* n) { ++*static_cast<std::atomic<int>*>(n); }
};

std::vector<int64_t> cookies(const std::vector<api::TagsRead>& read) {
    std::vector<int64_t> c;
    for (const auto& r : read) c.push_back(r.cookie);
    return c;
}

}  // namespace

// Everything asked for comes back once, with the texts TAGS_Read gives, and lands in
// the cache: the files are then known without being read again.
TEST_F(TagsReadAhead, AnswersEveryFileAndFillsTheCache) {
    const std::string a = tagged("a.mp3", {"Звезда по имени Солнце", "Кино", "", "", ""});
    const std::string b = tagged("b.mp3", {"Title only", "", "", "", ""});
    const std::string c = tagged("c.mp3", {});
    const std::string missing = dir.path("missing.mp3");
    std::atomic<int> notices{0};
    api::setTagsReadNotify(&TagsReadAhead::count, &notices);
    EXPECT_FALSE(api::knownFile(a));
    api::readTagsAhead({{7, a, true}, {3, b, false}, {9, c, false}, {1, missing, false}});
    // The manual clock reads them within the pump the call asked for.
    const auto read = api::takeTagsRead();
    ASSERT_EQ(cookies(read), (std::vector<int64_t>{7, 3, 9, 1}));
    EXPECT_EQ(read[0].artist, "Кино");
    EXPECT_EQ(read[0].title, "Звезда по имени Солнце");
    EXPECT_EQ(read[0].path, a);
    EXPECT_EQ(read[1].artist, "");
    EXPECT_EQ(read[1].title, "Title only");
    EXPECT_EQ(read[2].title, "");
    EXPECT_EQ(read[3].title, "");
    EXPECT_GE(notices.load(), 1);
    EXPECT_TRUE(api::takeTagsRead().empty());
    EXPECT_EQ(api::tagsWaiting(), 0u);

    const auto known = api::knownFile(a);
    ASSERT_TRUE(known);
    EXPECT_EQ(known->title, "Звезда по имени Солнце");
    EXPECT_NEAR(known->seconds, 0.5, 0.03);  // asked with its length
    const auto onlyTags = api::knownFile(b);
    ASSERT_TRUE(onlyTags);
    EXPECT_LT(onlyTags->seconds, 0);  // not probed: no length yet
    EXPECT_FALSE(api::knownFile(missing));
    // Rewritten since: no longer known.
    writeId3v2(a, {"Другая", "Кино", "", "", ""}, 4, V2Text::Utf8);
    EXPECT_FALSE(api::knownFile(a));
}

// The queue on its own: a new wish replaces what waits, the rows on screen go first,
// and a step with no time left still reads one file.
TEST_F(TagsReadAhead, NewWishesReplaceAndTheFirstGoAhead) {
    auto& reads = engine::TagReads::instance();
    const std::string p = tagged("p.mp3", {"P", "", "", "", ""});
    reads.want({{1, p}, {2, p}, {3, p}}, false);
    reads.want({{4, p}, {5, p}}, false);  // replaces 1 … 3
    reads.want({{6, p}, {7, p}}, true);   // ahead of 4, 5
    EXPECT_EQ(reads.waiting(), 4u);
    EXPECT_TRUE(reads.step(0));
    EXPECT_EQ(cookies(reads.take(SIZE_MAX)), (std::vector<int64_t>{6}));
    while (reads.step(1000000000)) {}
    EXPECT_EQ(cookies(reads.take(SIZE_MAX)), (std::vector<int64_t>{7, 4, 5}));
    EXPECT_FALSE(reads.pending());
}
