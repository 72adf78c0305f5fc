// The GLSL program table. Sources are the files of graphics/shaders/, built into the program by
// the build (cmake/embed_glsl.cmake); every one starts with "#define MAX_BONE 10" and is GLSL
// 1.10, so literals are written as floats where floats are meant.
#include "graphics/shader.h"
#include "graphics/glcaps.h"
#include "graphics/texture.h"
#include "data/mem.h"
#include "platform/log.h"
#include <GL/gl.h>
#include <cstring>

struct shader_glsl_file {
    const char *name;   // file name without ".glsl"
    const char *text;
};
extern const shader_glsl_file shader_glsl_files[];   // generated; ends with a null name

shader_table g_shaders;

namespace {

struct program_def {
    const char *name;
    const char *vertex_file;
    const char *fragment_file;
    const char *samplers[4];   // "tex", "nmap", "smap", "base" or null: its texture unit
};

const program_def programs[SHADER_SLOTS] = {
    {nullptr, nullptr, nullptr, {}},
    {"lit", "lit.vert", "lit.frag", {"tex"}},
    {"env", "env.vert", "env.frag", {"tex"}},
    {"norm_lit", "norm_lit.vert", "norm_lit.frag", {"tex", "nmap"}},
    {"norm_env", "norm_env.vert", "norm_env.frag", {"tex", "nmap"}},
    {"norm_spec_lit", "norm_lit.vert", "norm_gloss_lit.frag", {"tex", "nmap", "smap"}},
    {"terrain_normals", "terrain_normals.vert", "terrain_normals.frag", {"tex", "base"}},
    {"terrain", "terrain.vert", "terrain.frag", {"tex", "nmap", "smap"}},
};

const char *const bone_uniforms[4] = {"nbones", "bone_c", "bone_t", "bone_r"};

const char *glsl_file(const char *name)
{
    if (!name) return nullptr;
    for (const shader_glsl_file *f = shader_glsl_files; f->name; ++f)
        if (!strcmp(f->name, name)) return f->text;
    return nullptr;
}

void log_info(GLhandleARB object, const char *status, const char *name)
{
    GLint length = 0;
    gl_ext.glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 0) return;
    char *text = (char *)alloc_or_die((std::size_t)length + 1);
    GLsizei got = 0;
    gl_ext.glGetInfoLogARB(object, length, &got, text);
    text[got < length ? got : length] = 0;
    kubl_log_printf("%s for %s:\n%s\n", status, name, text);
    mem_free(text);
}

int compile_stage(GLhandleARB shader, const char *source, const char *status, const char *name)
{
    gl_ext.glShaderSourceARB(shader, 1, &source, nullptr);
    gl_ext.glCompileShaderARB(shader);
    log_info(shader, status, name);
    GLint ok = 0;
    gl_ext.glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
    return ok != 0;
}

int bone_location(shader_slot_record *slot, int which)
{
    if (slot->bone_locations[which] == -1)
        slot->bone_locations[which] = gl_ext.glGetUniformLocationARB(slot->program, bone_uniforms[which]);
    return slot->bone_locations[which];
}

void reset_slots(void)
{
    memset(&g_shaders, 0, sizeof g_shaders);
    for (shader_slot_record &s : g_shaders.slots)
        for (int &l : s.bone_locations) l = -1;
    g_shaders.envmat[0] = g_shaders.envmat[1] = -1;
}

void set_envmat(int slot, int *location, const float *transposed)
{
    shader_use(slot);
    if (*location == -1) *location = gl_ext.glGetUniformLocationARB(g_shaders.slots[slot].program, "envmat");
    gl_ext.glUniformMatrix3fvARB(*location, 1, GL_FALSE, transposed);
}

} // namespace

const char *shader_vertex_source(int slot)
{
    return slot > 0 && slot < SHADER_SLOTS ? glsl_file(programs[slot].vertex_file) : nullptr;
}

const char *shader_fragment_source(int slot)
{
    return slot > 0 && slot < SHADER_SLOTS ? glsl_file(programs[slot].fragment_file) : nullptr;
}

const char *shader_program_name(int slot)
{
    return slot > 0 && slot < SHADER_SLOTS ? programs[slot].name : nullptr;
}

int shader_compile_program(const char *vertex_source, const char *fragment_source, const char *name, int slot)
{
    shader_slot_record &s = g_shaders.slots[slot];
    s.vertex = gl_ext.glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    s.fragment = gl_ext.glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    if (!vertex_source || !fragment_source ||
        !compile_stage(s.vertex, vertex_source, "vertex shader status", name) ||
        !compile_stage(s.fragment, fragment_source, "fragment shader status", name)) {
        shader_delete_programs();
        return 0;
    }
    s.program = gl_ext.glCreateProgramObjectARB();
    gl_ext.glAttachObjectARB(s.program, s.vertex);
    gl_ext.glAttachObjectARB(s.program, s.fragment);
    gl_ext.glLinkProgramARB(s.program);
    log_info(s.program, "link status", name);
    GLint ok = 0;
    gl_ext.glGetObjectParameterivARB(s.program, GL_OBJECT_LINK_STATUS_ARB, &ok);
    if (!ok) {
        shader_delete_programs();
        return 0;
    }
    return 1;
}

void shader_delete_programs(void)
{
    for (shader_slot_record &s : g_shaders.slots) {
        if (s.program) {
            if (s.vertex) gl_ext.glDetachObjectARB(s.program, s.vertex);
            if (s.fragment) gl_ext.glDetachObjectARB(s.program, s.fragment);
        }
        if (s.vertex) gl_ext.glDeleteObjectARB(s.vertex);
        if (s.fragment) gl_ext.glDeleteObjectARB(s.fragment);
        if (s.program) gl_ext.glDeleteObjectARB(s.program);
        // Deleted names may be handed out again; a second delete must not reach them.
        s.program = s.vertex = s.fragment = 0;
    }
}

int shader_build_programs(void)
{
    if (!gl_caps.fragment_shader || !gl_caps.vertex_shader) return 0;
    if (g_shaders.current) shader_use(SHADER_FIXED);
    reset_slots();
    for (int slot = 1; slot < SHADER_SLOTS; ++slot)
        if (!shader_compile_program(shader_vertex_source(slot), shader_fragment_source(slot),
                                    programs[slot].name, slot))
            return 0;
    for (int slot = 1; slot < SHADER_SLOTS; ++slot) {
        shader_use(slot);
        for (int unit = 0; unit < 4; ++unit) {
            const char *sampler = programs[slot].samplers[unit];
            if (!sampler) continue;
            GLint location = gl_ext.glGetUniformLocationARB(g_shaders.slots[slot].program, sampler);
            if (location != -1) gl_ext.glUniform1iARB(location, unit);
        }
    }
    shader_use(SHADER_FIXED);
    return 1;
}

void shader_use(int slot)
{
    if (slot < 0 || slot >= SHADER_SLOTS || slot == g_shaders.current) return;
    g_shaders.current = slot;
    gl_ext.glUseProgramObjectARB(g_shaders.slots[slot].program);
    render_stats.program_switches++;
}

void shader_set_envmat(const float *m)
{
    float t[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[3 * i + j] = m[i + 3 * j];
    set_envmat(SHADER_ENV, &g_shaders.envmat[0], t);
    set_envmat(SHADER_NORM_ENV, &g_shaders.envmat[1], t);
    shader_use(SHADER_FIXED);
}

void shader_set_bones(int count, const float *centres, const float *translations, const float *rotations)
{
    if (g_shaders.current == SHADER_FIXED) return;
    shader_slot_record *s = &g_shaders.slots[g_shaders.current];
    gl_ext.glUniform1iARB(bone_location(s, 0), count);
    if (count <= 0) return;
    gl_ext.glUniform3fvARB(bone_location(s, 1), count, centres);
    gl_ext.glUniform3fvARB(bone_location(s, 2), count, translations);
    gl_ext.glUniformMatrix3fvARB(bone_location(s, 3), count, GL_FALSE, rotations);
}
