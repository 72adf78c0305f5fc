// bench/gl_call_counts.h — what a frame asks of OpenGL, counted between our code and the driver:
// the benchmark that includes this header (one per program) takes the place of the GL entry
// points the game calls and forwards each to the driver's own, so the game itself carries no
// counting at all. The extension entry points are counted by wrapping the probe's pointers
// (gl_call_counts_wrap_extensions, after gl_probe_extensions).
//
// A display list holds calls that run when it is called: what its compilation would have
// counted is kept per list and added at every glCallList. Nothing here allocates.
#pragma once
#include "graphics/glcaps.h"
#include <GL/gl.h>
#include <dlfcn.h>

struct gl_call_counts {
    double draw_calls;      // glBegin, glDrawElements, glDrawArrays, and those inside called lists
    double vertices;        // sent by glVertex, counted by the array draws
    double texture_binds;
    double state_changes;   // enables, blend, depth, alpha, texture environment, material and light
                            // colours, client arrays and pointers, texture units, programs
};

inline gl_call_counts gl_counts;

namespace gl_count_detail {

enum { LISTS = 1 << 16 };
inline gl_call_counts lists[LISTS];
inline unsigned compiling;   // the list being compiled, 0 when none

inline gl_call_counts &target(void)
{
    return compiling && compiling < LISTS ? lists[compiling] : gl_counts;
}

}   // namespace gl_count_detail

#define GL_COUNT_FORWARD(name, ...) \
    static decltype(&name) real_##name; \
    if (!real_##name) real_##name = (decltype(&name))dlsym(RTLD_NEXT, #name); \
    return real_##name(__VA_ARGS__)

#define GL_COUNT_STATE ++gl_count_detail::target().state_changes
// Client-side array state is not compiled into display lists: it takes effect at once.
#define GL_COUNT_CLIENT_STATE if (!gl_count_detail::compiling) ++gl_counts.state_changes

void GLAPIENTRY glBegin(GLenum mode)
{
    ++gl_count_detail::target().draw_calls;
    GL_COUNT_FORWARD(glBegin, mode);
}
void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices)
{
    ++gl_count_detail::target().draw_calls;
    gl_count_detail::target().vertices += count;
    GL_COUNT_FORWARD(glDrawElements, mode, count, type, indices);
}
void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    ++gl_count_detail::target().draw_calls;
    gl_count_detail::target().vertices += count;
    GL_COUNT_FORWARD(glDrawArrays, mode, first, count);
}
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    ++gl_count_detail::target().vertices;
    GL_COUNT_FORWARD(glVertex3f, x, y, z);
}
void GLAPIENTRY glVertex3fv(const GLfloat *v)
{
    ++gl_count_detail::target().vertices;
    GL_COUNT_FORWARD(glVertex3fv, v);
}
void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y)
{
    ++gl_count_detail::target().vertices;
    GL_COUNT_FORWARD(glVertex2f, x, y);
}
void GLAPIENTRY glNewList(GLuint list, GLenum mode)
{
    if (list < gl_count_detail::LISTS) gl_count_detail::lists[list] = {};
    gl_count_detail::compiling = list;
    GL_COUNT_FORWARD(glNewList, list, mode);
}
void GLAPIENTRY glEndList(void)
{
    gl_count_detail::compiling = 0;
    GL_COUNT_FORWARD(glEndList);
}
void GLAPIENTRY glCallList(GLuint list)
{
    if (list < gl_count_detail::LISTS) {
        const gl_call_counts &l = gl_count_detail::lists[list];
        gl_call_counts &t = gl_count_detail::target();
        t.draw_calls += l.draw_calls;
        t.vertices += l.vertices;
        t.texture_binds += l.texture_binds;
        t.state_changes += l.state_changes;
    }
    GL_COUNT_FORWARD(glCallList, list);
}
void GLAPIENTRY glBindTexture(GLenum target, GLuint texture)
{
    ++gl_count_detail::target().texture_binds;
    GL_COUNT_FORWARD(glBindTexture, target, texture);
}
void GLAPIENTRY glEnable(GLenum cap)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glEnable, cap);
}
void GLAPIENTRY glDisable(GLenum cap)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glDisable, cap);
}
void GLAPIENTRY glBlendFunc(GLenum s, GLenum d)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glBlendFunc, s, d);
}
void GLAPIENTRY glDepthMask(GLboolean flag)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glDepthMask, flag);
}
void GLAPIENTRY glDepthFunc(GLenum func)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glDepthFunc, func);
}
void GLAPIENTRY glAlphaFunc(GLenum func, GLclampf ref)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glAlphaFunc, func, ref);
}
void GLAPIENTRY glTexEnvi(GLenum target, GLenum pname, GLint param)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glTexEnvi, target, pname, param);
}
void GLAPIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glMaterialfv, face, pname, params);
}
void GLAPIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glMaterialf, face, pname, param);
}
void GLAPIENTRY glLightfv(GLenum light, GLenum pname, const GLfloat *params)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glLightfv, light, pname, params);
}
void GLAPIENTRY glLightModelfv(GLenum pname, const GLfloat *params)
{
    GL_COUNT_STATE;
    GL_COUNT_FORWARD(glLightModelfv, pname, params);
}
void GLAPIENTRY glEnableClientState(GLenum cap)
{
    GL_COUNT_CLIENT_STATE;
    GL_COUNT_FORWARD(glEnableClientState, cap);
}
void GLAPIENTRY glDisableClientState(GLenum cap)
{
    GL_COUNT_CLIENT_STATE;
    GL_COUNT_FORWARD(glDisableClientState, cap);
}
void GLAPIENTRY glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *p)
{
    GL_COUNT_CLIENT_STATE;
    GL_COUNT_FORWARD(glVertexPointer, size, type, stride, p);
}
void GLAPIENTRY glNormalPointer(GLenum type, GLsizei stride, const GLvoid *p)
{
    GL_COUNT_CLIENT_STATE;
    GL_COUNT_FORWARD(glNormalPointer, type, stride, p);
}
void GLAPIENTRY glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *p)
{
    GL_COUNT_CLIENT_STATE;
    GL_COUNT_FORWARD(glTexCoordPointer, size, type, stride, p);
}

#undef GL_COUNT_FORWARD

namespace gl_count_detail {

inline PFNGLACTIVETEXTUREARBPROC active_texture;
inline PFNGLCLIENTACTIVETEXTUREARBPROC client_active_texture;
inline PFNGLUSEPROGRAMOBJECTARBPROC use_program;

inline void GLAPIENTRY counted_active_texture(GLenum unit)
{
    GL_COUNT_STATE;
    active_texture(unit);
}
inline void GLAPIENTRY counted_client_active_texture(GLenum unit)
{
    GL_COUNT_CLIENT_STATE;
    client_active_texture(unit);
}
inline void GLAPIENTRY counted_use_program(GLhandleARB program)
{
    GL_COUNT_STATE;
    use_program(program);
}

}   // namespace gl_count_detail

#undef GL_COUNT_STATE
#undef GL_COUNT_CLIENT_STATE

// Routes the texture-unit and program switches of the probe's table through the counters.
inline void gl_call_counts_wrap_extensions(void)
{
    using namespace gl_count_detail;
    if (gl_ext.glActiveTextureARB && gl_ext.glActiveTextureARB != counted_active_texture) {
        active_texture = gl_ext.glActiveTextureARB;
        gl_ext.glActiveTextureARB = counted_active_texture;
    }
    if (gl_ext.glClientActiveTextureARB && gl_ext.glClientActiveTextureARB != counted_client_active_texture) {
        client_active_texture = gl_ext.glClientActiveTextureARB;
        gl_ext.glClientActiveTextureARB = counted_client_active_texture;
    }
    if (gl_ext.glUseProgramObjectARB && gl_ext.glUseProgramObjectARB != counted_use_program) {
        use_program = gl_ext.glUseProgramObjectARB;
        gl_ext.glUseProgramObjectARB = counted_use_program;
    }
}
