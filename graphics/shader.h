// graphics/shader.h — the seven GLSL programs (sources in graphics/shaders/), built once after
// the capability probe, selected by slot with a count of actual switches, and their two kinds of
// changing uniforms: the environment matrix and the bone pose. Game thread, context current.
#pragma once

// Slot 0 is the fixed pipeline.
enum {
    SHADER_FIXED, SHADER_LIT, SHADER_ENV, SHADER_NORM_LIT, SHADER_NORM_ENV, SHADER_NORM_SPEC_LIT,
    SHADER_TERRAIN_NORMALS, SHADER_TERRAIN, SHADER_SLOTS
};
enum { SHADER_MAX_BONES = 10 };   // MAX_BONE of the sources

struct shader_slot_record {
    unsigned program, vertex, fragment;   // 0 when absent
    int      bone_locations[4];           // "nbones", "bone_c", "bone_t", "bone_r"; -1 unknown
};

struct shader_table {
    shader_slot_record slots[SHADER_SLOTS];
    int current;          // the slot in use
    int envmat[2];        // "envmat" of slots 2 and 4; -1 until first use
};
extern shader_table g_shaders;

// Vertex and fragment source of a slot (1..7), and its name in the compiler log.
const char *shader_vertex_source(int slot);
const char *shader_fragment_source(int slot);
const char *shader_program_name(int slot);

// 1 when all seven built; 0 leaves no program (and needs both shader extensions).
int  shader_build_programs(void);
int  shader_compile_program(const char *vertex_source, const char *fragment_source, const char *name, int slot);
void shader_delete_programs(void);
void shader_use(int slot);                 // counted in render_stats.program_switches
void shader_set_envmat(const float *m);    // into slots 2 and 4; leaves slot 0 current
// The bone pose of the current program (nothing on slot 0); count 0 is the rigid transform.
void shader_set_bones(int count, const float *centres, const float *translations, const float *rotations);
