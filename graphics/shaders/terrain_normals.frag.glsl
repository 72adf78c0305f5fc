#define MAX_BONE 10
// The tile's normal (stored z-up) bent onto the ground's slope from the base texture. Output:
// x and z of the normal in red and blue, the base texture's light scale in green.
uniform sampler2D tex;
uniform sampler2D base;

varying vec2 tc;

void main()
{
    // How the tile is turned on screen, from the derivative of its s coordinate.
    vec2 c0 = normalize(vec2(dFdx(gl_TexCoord[0].s), -dFdy(gl_TexCoord[0].s)));
    mat2 m = mat2(c0, vec2(-c0.y, c0.x));
    vec4 color = texture2D(tex, gl_TexCoord[0].st);
    vec3 n = color.xzy * 2.0 - 1.0;
    n.x = -n.x;
    vec2 t = n.xz * m;
    n.x = t.x;
    n.z = t.y;

    vec3 r1 = texture2D(base, tc).xyz;
    float baselen = r1.y;
    r1 = r1 * 2.0 - 1.0;
    r1.y = sqrt(max(1.0 - r1.z * r1.z - r1.x * r1.x, 0.0));
    vec3 r0 = vec3(1.0, 0.0, 0.0);
    vec3 r2 = normalize(cross(r0, r1));
    r0 = normalize(cross(r1, r2));
    n = normalize(mat3(r0, r1, r2) * n);
    if (dot(n.xz, n.xz) > (126.0 / 128.0) * (126.0 / 128.0)) {
        n.y = 0.0;
        n = normalize(n) * (126.0 / 128.0);
    }
    gl_FragColor = vec4((n.x + 1.0) * 0.5, baselen, (n.z + 1.0) * 0.5, color.a);
}
