#define MAX_BONE 10
uniform sampler2D tex;
uniform sampler2D nmap;

#include "common_norm_lit_varyings.glsl"

#include "common_fog.glsl"

#include "common_mapped_normal.glsl"

void main()
{
    vec3 n = mapped_normal();
#include "common_lit_shade.glsl"
    color.rgb += gl_FrontMaterial.specular.rgb * gl_LightSource[0].specular.rgb *
                 pow(rdl, gl_FrontMaterial.shininess);
    gl_FragColor = vec4(fog(color.rgb), ambient.a * texel.a);
}
