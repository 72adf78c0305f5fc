// The capability probe's string work: whole-word extension matching and the version numbers.
#include "graphics/glcaps.h"
#include <gtest/gtest.h>

namespace {

TEST(GlCaps, ExtensionsMatchWholeWordsOnly)
{
    struct Case { const char *list, *name; int want; };
    const Case cases[] = {
        {"GL_ARB_multitexture", "GL_ARB_multitexture", 1},
        {"GL_A GL_ARB_multitexture GL_B", "GL_ARB_multitexture", 1},
        {"GL_A GL_ARB_multitexture", "GL_ARB_multitexture", 1},
        {"GL_ARB_multitexture_extra GL_B", "GL_ARB_multitexture", 0},
        {"XGL_ARB_multitexture", "GL_ARB_multitexture", 0},
        // a prefix match first, the whole word later in the list
        {"GL_ARB_multitexture2 GL_ARB_multitexture", "GL_ARB_multitexture", 1},
        {"GL_A GL_B", "GL_A GL_B", 0},
        {"GL_A", "", 0},
        {nullptr, "GL_A", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.list ? c.list : "(null)") << " / " << c.name);
        EXPECT_EQ(gl_extension_listed(c.list, c.name), c.want);
    }
}

TEST(GlCaps, StringsVersionAndFlags)
{
    gl_caps_from_strings("Vendor", "Renderer", "2.1.3 Some Driver 22.0",
                         "GL_ARB_multitexture_x GL_EXT_framebuffer_object GL_ARB_vertex_shader");
    EXPECT_EQ(gl_caps.major, 2);
    EXPECT_EQ(gl_caps.minor, 1);
    EXPECT_EQ(gl_caps.multitexture, 0);
    EXPECT_EQ(gl_caps.framebuffer_object, 1);
    EXPECT_EQ(gl_caps.vertex_shader, 1);
    EXPECT_EQ(gl_caps.fragment_shader, 0);
    EXPECT_EQ(gl_caps.texture_units, 1);

    gl_caps_from_strings(nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(gl_caps.vendor, "NULL");
    EXPECT_STREQ(gl_caps.extensions, "NULL");
    EXPECT_EQ(gl_caps.major, 0);
    EXPECT_EQ(gl_caps.generate_mipmap, 0);
}

} // namespace
