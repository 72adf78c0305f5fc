#define MAX_BONE 10
uniform sampler2D tex;
uniform sampler2D nmap;
uniform mat3 envmat;

varying vec3 normal;
varying vec3 tangent;
varying vec3 viewer;
varying vec4 color;

#include "common_mapped_normal.glsl"

void main()
{
    vec3 v = normalize(envmat * reflect(viewer, mapped_normal()));
    float h = length(v.xz);
    vec2 dir = h > 0.0 ? v.xz / h : vec2(1.0, 0.0);
    vec2 t = dir * (acos(clamp(v.y, -1.0, 1.0)) * 0.15915494309189535);
    gl_FragColor = texture2D(tex, t + 0.5) * color;
}
