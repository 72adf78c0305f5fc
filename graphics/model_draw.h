// graphics/model_draw.h — drawing ".km" models: the lit pass for ordinary meshes, the reflective
// pass for environment-mapped ones, level-of-detail choice, and skinning on the processor when
// no shader program does it. The caller sets the matrices, binds the textures and selects the
// shader program before a pass. Game thread, with the OpenGL context current.
//
// Rotations are 9 floats: a rotation R applied to d gives component j = sum over k of
// d[k] * R[3k + j]. The object rotation takes world directions into object space that way and
// object directions back with component j = sum over k of r[k] * R[3j + k].
#pragma once
#include "graphics/model.h"

void model_draw_lit_impl(const km_model *model, const float *eye, const float *position, const float *rotation,
                         const float *bone_centres, const float *bone_translations, const float *bone_rotations,
                         int bone_count);
void model_draw_colored_impl(const km_model *model, const float *eye, const float *position, const float *rotation,
                             const float *bone_centres, const float *bone_translations,
                             const float *bone_rotations, int bone_count);
void model_draw_lit(const km_model *model, const float *eye, const float *position, const float *rotation);
void model_draw_colored(const km_model *model, const float *eye, const float *position, const float *rotation);

// The reflections setting is on and the model (or mesh) is reflective.
int  model_is_env_mapped(const km_mesh *model);
void model_draw_wire(const km_mesh *mesh);   // the editor's wire frame

// The entry of the model's level-of-detail chain drawn at that distance from the camera, with
// scale and bias from the render options.
const km_model *model_choose_lod(const km_model *model, float distance, float scale, float bias);

// A caller that draws one bone pose several times (a rider's lit, reflective and layer passes)
// gives it a non-zero serial here; a skinned mesh already posed under the current serial is not
// posed again. 0, the resting value, poses on every draw.
extern unsigned model_pose_serial;

void mesh_draw_arrays(const km_mesh *mesh);
void mesh_draw_immediate(const km_mesh *mesh);
// Poses the mesh from its bind pose; nothing unless the fixed pipeline draws and bone_count is
// the mesh's own, or when it stands in this pose already (model_pose_serial).
void mesh_skin(km_mesh *mesh, const float *bone_centres, const float *bone_translations,
               const float *bone_rotations, int bone_count);
// Environment-map coordinates of a reflective mesh seen from eye (fixed pipeline only).
void mesh_env_coords(km_mesh *mesh, const float *eye, const float *position, const float *rotation);
