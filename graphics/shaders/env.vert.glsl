#define MAX_BONE 10
// Reflective models: eye-space normal and position for the fragment's reflection.
#include "common_bones.glsl"

varying vec3 normal;
varying vec3 viewer;
varying vec4 color;

#include "common_skin.glsl"

void main()
{
#include "common_skin_position.glsl"
    color = gl_Color;
}
