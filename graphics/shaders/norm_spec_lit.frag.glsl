#define MAX_BONE 10
uniform sampler2D tex;
uniform sampler2D nmap;
uniform sampler2D smap;

varying vec4 diffuse;
varying vec4 ambient;
varying vec3 normal;
varying vec3 tangent;
varying vec3 light;
varying vec3 viewer;

vec3 fog(vec3 color)
{
    float z = gl_FragCoord.z / gl_FragCoord.w;
    float f = clamp(exp2(-1.4426950408889634 * gl_Fog.density * z), 0.0, 1.0);
    return mix(gl_Fog.color.rgb, color, f);
}

vec3 mapped_normal()
{
    vec3 n = normalize(normal);
    vec3 t = normalize(tangent - n * dot(n, tangent));
    vec3 b = cross(n, t);
    mat3 m = mat3(t, b, n);
    return normalize(m * (texture2D(nmap, gl_TexCoord[0].st).rgb * 2.0 - 1.0));
}

void main()
{
    vec3 n = mapped_normal();
    float ndl = dot(n, light);
    float rdl = max(dot(reflect(normalize(viewer), n), light), 0.0);
    if (ndl < 0.0) {
        ndl = 0.0;
        rdl = 0.0;
    }
    vec4 color = ambient;
    color.rgb += diffuse.rgb * ndl;
    vec4 texel = texture2D(tex, gl_TexCoord[0].st);
    color *= texel;
    // The map's alpha is the exponent; full alpha hands it to the material.
    vec4 s = texture2D(smap, gl_TexCoord[0].st);
    float exponent = s.a * 128.0 + 0.125;
    if (exponent >= 127.875)
        exponent = gl_FrontMaterial.shininess;
    color.rgb += s.rgb * gl_LightSource[0].specular.rgb * pow(rdl, exponent);
    gl_FragColor = vec4(fog(color.rgb), ambient.a * texel.a);
}
