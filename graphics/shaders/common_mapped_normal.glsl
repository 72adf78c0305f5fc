// The normal map's tangent-space normal turned into eye space. Needs nmap, normal and tangent.
vec3 mapped_normal()
{
    vec3 n = normalize(normal);
    vec3 t = normalize(tangent - n * dot(n, tangent));
    vec3 b = cross(n, t);
    mat3 m = mat3(t, b, n);
    return normalize(m * (texture2D(nmap, gl_TexCoord[0].st).rgb * 2.0 - 1.0));
}
