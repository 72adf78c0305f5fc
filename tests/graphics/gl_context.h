// tests/graphics/gl_context.h — an OpenGL context for the drawing tests of this folder: the one
// another test's environment made, else a small window of our own kept to the end of the run.
#pragma once
#include "graphics/glcaps.h"
#include "platform/display.h"
#include <GL/gl.h>

inline bool gl_context_ready(void)
{
    static display *own;
    if (!glGetString(GL_VERSION) && !own) own = kubl_gl_window_open("Rutline models", 64, 64, 0, 8, 16, 0, 0);
    if (!glGetString(GL_VERSION)) return false;
    gl_probe_extensions();
    return true;
}

// Small textures for the programs' samplers: every texel the same colour, or from a function.
template <typename F>
inline GLuint gl_test_texture(int size, F colour)
{
    unsigned char *pixels = new unsigned char[size * size * 4];
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) colour(x, y, pixels + (y * size + x) * 4);
    GLint was = 0;   // making it must not change what the active unit shows
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &was);
    GLuint id;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, (GLuint)was);
    delete[] pixels;
    return id;
}

inline GLuint gl_flat_texture(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 255)
{
    return gl_test_texture(4, [&](int, int, unsigned char *p) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    });
}
