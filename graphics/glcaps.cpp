// The OpenGL capability probe, run once at start-up with the context current.
#include "graphics/glcaps.h"
#include "platform/display.h"
#include "platform/log.h"
#include <cstdio>
#include <cstring>

gl_capabilities gl_caps = {"NULL", "NULL", "NULL", "NULL", 0, 0, 0, 0, 0, 0, 0, 1};
gl_entry_points gl_ext;

int gl_extension_listed(const char *extensions, const char *name)
{
    if (!extensions || !name || !*name || strchr(name, ' ')) return 0;
    std::size_t n = strlen(name);
    for (const char *at = extensions; (at = strstr(at, name)) != nullptr; ++at) {
        int starts = at == extensions || at[-1] == ' ';
        int ends = at[n] == 0 || at[n] == ' ';
        if (starts && ends) return 1;
    }
    return 0;
}

void gl_caps_from_strings(const char *vendor, const char *renderer, const char *version,
                          const char *extensions)
{
    gl_caps.vendor = vendor ? vendor : "NULL";
    gl_caps.renderer = renderer ? renderer : "NULL";
    gl_caps.version = version ? version : "NULL";
    gl_caps.extensions = extensions ? extensions : "NULL";
    gl_caps.major = gl_caps.minor = 0;
    sscanf(gl_caps.version, "%d.%d", &gl_caps.major, &gl_caps.minor);
    gl_caps.generate_mipmap = gl_extension_listed(extensions, "GL_SGIS_generate_mipmap");
    gl_caps.framebuffer_object = gl_extension_listed(extensions, "GL_EXT_framebuffer_object");
    gl_caps.multitexture = gl_extension_listed(extensions, "GL_ARB_multitexture");
    gl_caps.fragment_shader = gl_extension_listed(extensions, "GL_ARB_fragment_shader");
    gl_caps.vertex_shader = gl_extension_listed(extensions, "GL_ARB_vertex_shader");
    gl_caps.texture_units = 1;
}

int gl_shader_capable(void)
{
    return gl_caps.fragment_shader && gl_caps.texture_units > 3;
}

void gl_probe_extensions(void)
{
    gl_caps_from_strings((const char *)glGetString(GL_VENDOR), (const char *)glGetString(GL_RENDERER),
                         (const char *)glGetString(GL_VERSION), (const char *)glGetString(GL_EXTENSIONS));
    if (gl_caps.multitexture) {
        GLint units = 1;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        kubl_log_printf("%d texture units\n", units);
        gl_caps.texture_units = units;
    }
#define GL_ENTRY_POINT_FETCH(type, name) gl_ext.name = (type)kubl_gl_get_proc_address(#name);
    GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_FETCH)
#undef GL_ENTRY_POINT_FETCH
}
