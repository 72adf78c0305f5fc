#define MAX_BONE 10
uniform sampler2D tex;
uniform sampler2D nmap;
uniform sampler2D smap;

#include "common_norm_lit_varyings.glsl"

#include "common_fog.glsl"

#include "common_mapped_normal.glsl"

void main()
{
    vec3 n = mapped_normal();
#include "common_lit_shade.glsl"
    // The map's alpha is the exponent; full alpha hands it to the material.
    vec4 s = texture2D(smap, gl_TexCoord[0].st);
    float exponent = s.a * 128.0 + 0.125;
    if (exponent >= 127.875)
        exponent = gl_FrontMaterial.shininess;
    color.rgb += s.rgb * gl_LightSource[0].specular.rgb * pow(rdl, exponent);
    gl_FragColor = vec4(fog(color.rgb), ambient.a * texel.a);
}
