#define MAX_BONE 10
// Lit models with a normal map (and with a specular map): as lit, plus the tangent from
// texture coordinate set 1.
#include "common_bones.glsl"

#include "common_norm_lit_varyings.glsl"

#include "common_skin_tangent.glsl"

void main()
{
#include "common_skin_tangent_position.glsl"
#include "common_lit_light.glsl"
}
