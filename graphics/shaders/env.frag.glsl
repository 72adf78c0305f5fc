#define MAX_BONE 10
// The environment map is polar: straight up at its centre, the horizon on the circle of radius
// 1/4, straight down on the rim, azimuth from x and z.
uniform sampler2D tex;
uniform mat3 envmat;

varying vec3 normal;
varying vec3 viewer;
varying vec4 color;

void main()
{
    vec3 v = normalize(envmat * reflect(viewer, normalize(normal)));
    float h = length(v.xz);
    // Straight up or down has no azimuth; take it along x.
    vec2 dir = h > 0.0 ? v.xz / h : vec2(1.0, 0.0);
    vec2 t = dir * (acos(clamp(v.y, -1.0, 1.0)) * 0.15915494309189535);
    gl_FragColor = texture2D(tex, t + 0.5) * color;
}
