#include <gtest/gtest.h>
#include "data/util.h"
#include "data/file_index.h"
#include "data_fixture.h"
#include "fixtures/fixtures.h"
#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {
struct Record {
    int key;
    int id;
    char pad[5];   // an odd size, so swaps cannot lean on alignment
};

int by_key(const void *a, const void *b)
{
    int x = ((const Record *)a)->key, y = ((const Record *)b)->key;
    return (x > y) - (x < y);
}
} // namespace

TEST(HeapSort, OrdersRecordsKeepingEveryOne)
{
    std::vector<std::vector<int>> inputs = {
        {}, {7}, {2, 1}, {1, 2}, {3, 3, 3, 3},
        {5, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5},
        {9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
    };
    std::mt19937 gen(3);
    std::vector<int> big(1000);
    for (int &k : big) k = (int)(gen() % 50);   // many ties
    inputs.push_back(big);

    for (const std::vector<int> &keys : inputs) {
        SCOPED_TRACE(keys.size());
        std::vector<Record> r(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) r[i] = {keys[i], (int)i, {}};
        heap_sort(r.data(), (int)r.size(), sizeof(Record), by_key);
        for (size_t i = 1; i < r.size(); ++i) EXPECT_LE(r[i - 1].key, r[i].key);
        std::vector<int> ids;
        for (const Record &x : r) ids.push_back(x.id);
        std::sort(ids.begin(), ids.end());
        for (size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], (int)i) << "a record was lost";
    }
}

TEST(RandomNumbers, ReferenceSequence)
{
    random_seed(5489);
    std::vector<std::uint32_t> v(10000);
    for (std::uint32_t &x : v) x = random_next();
    EXPECT_EQ(v[0], 3499211612u);
    EXPECT_EQ(v[9999], 4123659995u);

    // The standard library's engine is the reference generator; compare across several twists.
    for (std::uint32_t seed : {0u, 1u, 19650218u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        random_seed(seed);
        std::mt19937 reference(seed);
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(random_next(), reference()) << "value " << i;
    }
}

TEST(StringIntern, OneCopyPerText)
{
    char buffer[32] = "wheels";
    const char *first = string_intern(buffer);
    EXPECT_NE(first, buffer);
    buffer[0] = 'W';
    EXPECT_STREQ(first, "wheels");   // a copy, not the caller's text
    EXPECT_EQ(string_intern("wheels"), first);

    // Past the first growth every text still comes back as its one copy.
    std::vector<const char *> kept;
    for (int i = 0; i < 40; ++i) kept.push_back(string_intern(("name" + std::to_string(i)).c_str()));
    for (int i = 0; i < 40; ++i) {
        EXPECT_STREQ(kept[i], ("name" + std::to_string(i)).c_str());
        EXPECT_EQ(string_intern(("name" + std::to_string(i)).c_str()), kept[i]);
    }
    EXPECT_EQ(string_intern("wheels"), first);
    EXPECT_STREQ(string_intern(""), "");
    string_intern_free();
}

// What a variant list holds: "default" first, then every indexed ".png" whose base name starts
// with the prefix, named by what lies between the prefix and ".png"; normal and specular maps
// are never variants.
TEST_F(SearchFolders, VariantsByPrefixNameThePictures)
{
    for (const char *file : {"gear/rider_body-red.png", "gear/rider_body-red_norm.png", "gear/rider_body-red_spec.png",
                             "rider_body-blue.png", "gear/rider_head-red.png", "gear/rider_body-green.jpg",
                             "gear/x-rider_body-grey.png", "rider_body-.pn"})
        fixture_write_file(data + file, "");
    data_files_free();
    ASSERT_NE(file_index_names(), nullptr);
    growable_array paths = {}, names = {};
    list_variants_by_prefix(&paths, &names, "rider_body-");
    auto text = [](const growable_array &a, int i) {
        const char *t = ((const char *const *)a.items)[i];
        return t ? std::string(t) : std::string("(none)");
    };
    ASSERT_EQ(paths.count, 3);
    ASSERT_EQ(names.count, 3);
    EXPECT_EQ(text(paths, 0), "(none)");
    EXPECT_EQ(text(names, 0), "default");
    EXPECT_EQ(text(paths, 1), "@gear/rider_body-red.png");
    EXPECT_EQ(text(names, 1), "red");
    EXPECT_EQ(text(paths, 2), "@rider_body-blue.png");
    EXPECT_EQ(text(names, 2), "blue");

    list_variants_by_prefix(&paths, &names, "rider_head-");   // refilled, not appended
    ASSERT_EQ(names.count, 2);
    EXPECT_EQ(text(names, 1), "red");
    growable_array_free(&paths);
    growable_array_free(&names);
    data_files_free();
}
