#define MAX_BONE 10
// Lit models: per-pixel light from light 0 (directional), optionally skinned to four bones.
#include "common_bones.glsl"

#include "common_lit_varyings.glsl"

#include "common_skin.glsl"

void main()
{
#include "common_skin_position.glsl"
#include "common_lit_light.glsl"
}
