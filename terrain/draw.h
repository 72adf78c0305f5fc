// terrain/draw.h — drawing the ground as a quadtree of fans around the eye, each patch with the
// finest composed ground texture that is ready for it.
//
// The choice of patches (terrain_choose_patches), the walk over them (terrain_walk) and the
// vertices of one fan (terrain_fan_build) need no OpenGL; terrain_draw runs them with the GL
// back ends. Levels 0-5 are the ring textures around the eye, level 6 the 128-cell blocks.
#pragma once

struct terrain_field;

enum { TERRAIN_FAN_MAX = 10, TERRAIN_BLOCK_LEVEL = 6 };

// One fan: the centre first, then the rim entries that were emitted. xyz in world feet, st the
// texture coordinates within the patch's texture.
struct terrain_fan {
    int   count;
    float xyz[TERRAIN_FAN_MAX][3];
    float st[TERRAIN_FAN_MAX][2];
};

// What the walk does with a patch: bind its textures for a level, then emit fans of it.
struct terrain_draw_ops {
    void (*bind)(terrain_field *t, int depth, int x, int z, int level);
    void (*fan)(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);
};

// Draws with the current projection and modelview; eye_pos and view_dir must be set.
void terrain_draw(terrain_field *t);
void terrain_select_lod(terrain_field *t, int depth, int x, int z);
void terrain_draw_node(terrain_field *t, int depth, int x, int z);
void terrain_bind_patch_texture(terrain_field *t, int depth, int x, int z, int level);
void terrain_fan_immediate(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);
void terrain_fan_arrays(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);

// The eye cell, view octant and active node set of this frame (the first steps of a draw).
void terrain_choose_patches(terrain_field *t);
// The node walk from the root with the given back end (null: the OpenGL one).
void terrain_walk(terrain_field *t, const terrain_draw_ops *ops);
// The vertices of one fan; adds the rim vertices to fan_vertex_count. Returns the count.
int  terrain_fan_build(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count,
                       int level, terrain_fan *fan);
// Origin, in level units, of the 4 x 4 ring window of a texture level along one axis.
int  terrain_ring_origin(int eye_cell, int level, int depth);
// The finest level from min_level up whose ring window holds the leaf with a ready slot, else 6.
int  terrain_patch_level(const terrain_field *t, int min_level, int leaf_x, int leaf_z);
// Eye cell of a world coordinate, safe for any float.
int  terrain_eye_cell(const terrain_field *t, float world);
