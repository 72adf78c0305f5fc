// graphics/model.h — ".km" models: triangle meshes with a material each, optionally skinned to
// up to 10 bones, cached by name with their lower-detail "_lod<N>" variants and purged by
// generation. Drawing is graphics/model_draw.h. Game thread only.
#pragma once
#include <cstdint>

struct data_stream;

enum {
    MODEL_MAX_BONES     = 10,          // the shader programs' bone arrays (MAX_BONE)
    MODEL_MAX_VERTICES  = 1 << 20,     // per mesh; larger counts are refused as damaged
    MODEL_MAX_TRIANGLES = 1 << 21,
};

// One mesh; the first mesh of a chain is also the model. Every array and the name live in the
// same allocation, behind the record, and go with it.
struct km_mesh {
    char         *name;          // what the model was requested by
    km_mesh      *next;          // next mesh of the same model
    int           generation;    // resource_generation of the last request (first mesh)
    int           reflective;    // shininess -1; on the first mesh: any mesh of the model
    unsigned      display_list;  // 0: drawn afresh each time
    std::int32_t  vertex_count;
    std::int32_t  triangle_count;
    std::int32_t  bone_count;    // 0 for an unskinned mesh
    float         red, green, blue, alpha;
    float         shininess;     // the specular exponent; -1 reflective, -2 unlit
    // Skinned meshes hold two halves of vertex_count entries in these three: the posed state
    // that is drawn, then the bind pose read from the file.
    float        *positions;
    float        *normals;
    float        *tangents;
    float        *texcoords;     // u, 1 - v
    float        *weights;       // 4 per vertex, skinned only (else null)
    std::int32_t *bone_indices;  // 4 per vertex, skinned only (else null)
    std::int32_t *triangles;     // 3 vertex indices each
    float         lod_distance;  // 0 for the model itself
    km_mesh      *lod_next;      // lower-detail variants, ascending distance
    unsigned      posed_serial;  // model_pose_serial the posed halves were skinned under
};
typedef km_mesh km_model;

// Display lists are made and deleted through this table, so the reader works without an OpenGL
// context (tests swap in their own). compile returns the list name, or 0.
struct model_list_ops {
    unsigned (*compile)(const km_mesh *mesh);
    void     (*destroy)(unsigned list);
};
extern const model_list_ops model_gl_lists;            // the real one (model_draw.cpp)
void model_set_list_ops(const model_list_ops *ops);    // null restores the real one

// The cached model of that name, else the model read from the file, or null (nothing printed).
// The cache owns it.
km_model   *model_load(const char *name);
const char *model_name(const km_model *model);
// all = 0: deletes every model whose generation is neither 0 nor the current one; all = 1:
// deletes everything and the cache.
void        model_purge(int all);
// The model as POV-Ray "mesh2" text (several meshes inside a "union").
void        model_export_pov(const km_model *model, data_stream *stream);

// The first mesh of the file's chain, or null.
km_mesh *model_parse_file(const char *path);
// One mesh of a KM1 (bone_count 0) or KM2 file, or null when it cannot be read completely.
km_mesh *model_parse_mesh(data_stream *stream, const char *name, int bone_count);
void     model_build_tangents(km_mesh *mesh);
int      triangle_is_degenerate(const float *p0, const float *p1, const float *p2);
void     mesh_free(km_mesh *mesh);   // one mesh: its display list and block
