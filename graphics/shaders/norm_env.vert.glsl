#define MAX_BONE 10
// Reflective models with a normal map: as env, plus the tangent and texture coordinates.
#include "common_bones.glsl"

varying vec3 normal;
varying vec3 tangent;
varying vec3 viewer;
varying vec4 color;

#include "common_skin_tangent.glsl"

void main()
{
#include "common_skin_tangent_position.glsl"
    color = gl_Color;
    gl_TexCoord[0] = gl_MultiTexCoord0;
}
