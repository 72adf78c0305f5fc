#include "bike_fixture.h"
#include "bike/skin_names.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include <cstdlib>

static std::string owned(char *s)
{
    std::string out = s ? s : "(null)";
    mem_free(s);
    return out;
}

TEST(BikeSkinNames, ReplaceSuffix)
{
    struct Case { const char *text, *old_suffix, *new_suffix, *want; };
    const Case cases[] = {
        {"@cr125-red.png", ".png", ".braap", "@cr125-red.braap"},
        {"@cr125-red.png", ".ppm", ".braap", "(null)"},
        {"png", ".png", ".x", "(null)"},
        {"a.png", "", "_x", "a.png_x"},
        {".png", ".png", "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(owned(string_replace_suffix(c.text, c.old_suffix, c.new_suffix)), c.want) << c.text;
}

TEST(BikeSkinNames, Variant)
{
    struct Case { const char *model, *skin, *extension, *want; };
    const Case cases[] = {
        {"@rider_body.km", "@gear/rider_body-red-x.png", ".km", "@rider_body-red.km"},
        {"@rider_body.km", "@gear/rider_body-red-x.png", "", "@rider_body-red"},
        {"@a/b-c.km", "x-red-y.png", "", "@a/b-red"},            // cut at the model's own '-'
        {"@rider_body.km", "@gear/rider_body-red.png", "", "(null)"},   // one '-' is no pair
        {"@rider_body.km", "@x-a-b/plain.png", "", "(null)"},    // dashes of the folder do not count
        {"@noext", "a-b-c", "", "(null)"},
        {"@a.b/c", "a-b-c", "", "(null)"},                        // a dot of the folder is no extension
        {"@gear/rb-red-x.png", "@gear/rb-red-x.png", "_spec.png", "@gear/rb-red_spec.png"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(owned(bike_name_variant(c.model, c.skin, c.extension)), c.want) << c.model << " " << c.skin;
}

// A home folder holding the models a case lists.
class BikeSkinHome : public BikeWorld {
protected:
    std::string root, home;
    void SetUp() override
    {
        BikeWorld::SetUp();
        root = fixture_temp_dir("bikeskins");
        home = root + "xdg/Rutline/";
        fixture_write_file(root + "game/.keep", "");
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        setenv("RL_HOME", (root + "game").c_str(), 1);
        search_folders_free();
        data_files_free();
    }
    void TearDown() override
    {
        data_files_free();
        search_folders_free();
        unsetenv("XDG_DATA_HOME");
        unsetenv("RL_HOME");
        BikeWorld::TearDown();
    }
    void model(const std::string &name) const
    {
        // The count-only form: three vertices (position, normal, u, v) and one triangle.
        fixture_write_file(home + name, "3 1\n0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n0 1 2\n");
    }
};

TEST_F(BikeSkinHome, ModelVariants)
{
    model("rider_body.km");
    model("rider_body-red");
    model("gear/rider_body-green");
    struct Case { const char *model, *skin; int warn; const char *loaded, *message; };
    const Case cases[] = {
        {"@rider_body.km", nullptr, 1, "@rider_body.km", nullptr},
        {"@rider_body.km", "@gear/rider_body-red.png", 1, "@rider_body.km", nullptr},   // no variant
        {"@rider_body.km", "@gear/rider_body-red-a.png", 1, "@rider_body-red", nullptr},
        {"@rider_body.km", "@gear/rider_body-green-a.png", 1, "@gear/rider_body-green", nullptr},
        {"@rider_body.km", "@gear/rider_body-blue-a.png", 1, nullptr,
         "Warning: Can't load @rider_body-blue or @gear/rider_body-blue"},
        {"@rider_body.km", "@rider_body-blue-a.png", 0, nullptr, nullptr},
        {"@nosuch.km", nullptr, 1, nullptr, "Warning: Can't load @nosuch.km"},
        {"@nosuch.km", nullptr, 0, nullptr, nullptr},
        {nullptr, "@gear/rider_body-red-a.png", 1, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.skin ? c.skin : c.model ? c.model : "(null)");
        console_clear();
        km_mesh *m = bike_model_load_variant(c.model, c.skin, c.warn);
        EXPECT_EQ(m != nullptr, c.loaded != nullptr);
        if (m && c.loaded) EXPECT_STREQ(bike_test_model_name(m), c.loaded);
        EXPECT_EQ(console_last_line(), c.message ? c.message : "");
    }
}

TEST_F(BikeWorld, SkinMapsSearchOwnNameThenVariants)
{
    fake_bike_resources::textures() = {{"@gear/rb-red-x_norm.ppm", 21}, {"@gear/rb-red_spec.png", 22},
                                       {"@rb-blue_norm.seq", 23},      {"@rb-blue_norm.png", 24}};
    struct Case { const char *skin, *catalogue; unsigned normal, specular; };
    const Case cases[] = {
        {"@gear/rb-red-x.png", "@rb.png", 21, 22},
        {"@gear/rb-blue-x.png", "@rb.png", 23, 0},
        {"@gear/rb-blue-x.png", nullptr, 0, 0},
        {"@rb.png", "@rb.png", 0, 0},
        {nullptr, "@rb.png", 0, 0},
    };
    for (const Case &c : cases) {
        unsigned normal = 99, specular = 99;
        bike_skin_maps(&normal, &specular, c.skin, c.catalogue);
        EXPECT_EQ(normal, c.normal) << (c.skin ? c.skin : "(null)");
        EXPECT_EQ(specular, c.specular) << (c.skin ? c.skin : "(null)");
    }
}
