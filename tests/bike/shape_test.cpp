// ".shp" reading, the shape cache and private instances.
#include "bike/shape.h"
#include "data/mem.h"
#include "fixtures/fixtures.h"
#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace {

struct Shapes : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        shape_cache_free();
        dir = fixture_temp_dir("shapes");
    }
    void TearDown() override { shape_cache_free(); }
    std::string file(const char *name, const std::string &text)
    {
        fixture_write_file(dir + name, text);
        return dir + name;
    }
};

TEST_F(Shapes, FilesThatReadAndFilesThatDoNot)
{
    struct Case { const char *text; int want_count; float want_bound; };   // -1: null
    const Case cases[] = {
        {"0", 0, 0},
        {"1\n3 4 0 1 0.5 5000 100\n", 1, 6},
        {"2\n0 1 0 0.5 1 9000 200\n0 -2 0 0.25 1 9000 200\n", 2, 2.25f},
        {"1 0 0 0 0 0 0 0", 1, 0},                       // layout is free, zeros are fine
        {"2\n3 4 0 1 0.5 5000 100\n", -1, 0},            // one sphere short
        {"1\n3 4 0 1 0.5 5000\n", -1, 0},                // a number short
        {"", -1, 0},
        {"spheres", -1, 0},
        {"-1\n", -1, 0},                                  // would break the block size
        {"4097\n", -1, 0},                                // more than any shape needs
        {"4096\n", -1, 0},                                // allowed count, but no spheres follow
        {"1\nnan 0 0 1 0.5 5000 100\n", -1, 0},
        {"1\n0 0 0 inf 0.5 5000 100\n", -1, 0},
        {"1\n1e39 0 0 1 0.5 5000 100\n", -1, 0},         // beyond a float
        {"1\n0 0 0 -1 0.5 5000 100\n", -1, 0},
        {"1\n0 0 0 1 0.5 -5000 100\n", -1, 0},
        {"1\n0 0 0 1 0.5 5000 -100\n", -1, 0},
        // No part of a bike or a track object is larger or farther out.
        {"1\n0 0 0 16 0.5 5000 100\n", 1, 16},
        {"1\n0 0 0 16.01 0.5 5000 100\n", -1, 0},
        {"2\n0 1 0 0.5 1 9000 200\n0 0 0 500 0.5 5000 100\n", -1, 0},
        {"1\n-1024 0 0 1 0.5 5000 100\n", 1, 1025},
        {"1\n0 0 1025 1 0.5 5000 100\n", -1, 0},
        {"1\n0 -3e38 0 1 0.5 5000 100\n", -1, 0},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        std::string path = file(("s" + std::to_string(n++) + ".shp").c_str(), c.text);
        shape *s = shape_load_instance(path.c_str());
        if (c.want_count < 0) {
            EXPECT_EQ(s, nullptr);
            EXPECT_EQ(shape_cache_load(path.c_str()), nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->sphere_count, c.want_count);
        EXPECT_FLOAT_EQ(shape_get_bounding_radius(s), c.want_bound);
        EXPECT_STREQ(shape_get_name(s), path.c_str());
        mem_free(s);
    }
    EXPECT_EQ(shape_load_instance((dir + "absent.shp").c_str()), nullptr);
}

// Two instances of one name: the file is read once, each is its own block whose spheres,
// world centres and name live inside it, and the master keeps body coordinates when an
// instance's world centres move.
TEST_F(Shapes, InstancesArePrivateCopiesOfOneRead)
{
    std::string path = file("two.shp", "2\n0 1 -2 0.5 0.8 9000 200\n1 0 0 0.25 0.6 12000 300\n");
    shape *a = shape_load_instance(path.c_str());
    file("two.shp", "0");   // a second read would see no spheres
    shape *b = shape_load_instance(path.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a, b);
    EXPECT_EQ(b->sphere_count, 2);
    EXPECT_EQ(a->master, b->master);
    EXPECT_EQ(a->master, shape_cache_load(path.c_str()));
    EXPECT_EQ(a->master->master, nullptr);
    EXPECT_EQ(a->master->world_centers, nullptr);
    for (shape *s : {a, b}) {
        const char *lo = (const char *)s, *hi = lo + sizeof(shape) + 2 * sizeof(shape_sphere) + 2 * sizeof(float[3]);
        EXPECT_EQ((const char *)s->spheres, lo + sizeof(shape));
        EXPECT_EQ((const char *)s->world_centers, lo + sizeof(shape) + 2 * sizeof(shape_sphere));
        EXPECT_EQ(s->name, hi);
        EXPECT_NE(s->spheres, s->master->spheres);
        EXPECT_NE(s->name, s->master->name);
    }
    EXPECT_FLOAT_EQ(a->world_centers[0][2], -2.0f);
    EXPECT_FLOAT_EQ(a->spheres[1].k, 12000.0f);
    EXPECT_FLOAT_EQ(a->spheres[1].c, 300.0f);
    EXPECT_FLOAT_EQ(a->spheres[1].friction, 0.6f);
    EXPECT_FLOAT_EQ(shape_get_bounding_radius(a), std::sqrt(5.0f) + 0.5f);

    a->world_centers[0][0] = 100;
    float centre[3], radius;
    ASSERT_EQ(shape_get_sphere(b, 0, centre, &radius), 1);
    EXPECT_FLOAT_EQ(centre[0], 0.0f);
    EXPECT_FLOAT_EQ(centre[1], 1.0f);
    EXPECT_FLOAT_EQ(radius, 0.5f);
    EXPECT_FLOAT_EQ(b->world_centers[0][0], 0.0f);
    EXPECT_EQ(shape_get_sphere(b, 2, centre, &radius), 0);
    EXPECT_EQ(shape_get_sphere(b, -1, centre, &radius), 0);
    mem_free(a);
    mem_free(b);

    // Freeing the cache forgets the file: the next load reads it again.
    shape_cache_free();
    shape *c = shape_load_instance(path.c_str());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->sphere_count, 0);
    mem_free(c);
}

// A file that did not parse leaves nothing cached, so a mended file reads next time; the
// table grows past its first 16 names and still finds every one.
TEST_F(Shapes, CacheHoldsOnlyWhatParsedAndGrows)
{
    std::string path = file("late.shp", "1\n0 0");
    EXPECT_EQ(shape_cache_load(path.c_str()), nullptr);
    file("late.shp", "1\n0 0 0 1 1 5000 100");
    ASSERT_NE(shape_cache_load(path.c_str()), nullptr);

    std::vector<std::string> paths;
    std::vector<shape *> first;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(file(("g" + std::to_string(i) + ".shp").c_str(), "1\n0 0 0 " + std::to_string(i * 0.25) + " 1 1 1"));
        first.push_back(shape_cache_load(paths.back().c_str()));
        ASSERT_NE(first.back(), nullptr);
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(shape_cache_load(paths[i].c_str()), first[i]);
        EXPECT_FLOAT_EQ(first[i]->bounding_radius, i * 0.25f);
    }
}

}   // namespace
