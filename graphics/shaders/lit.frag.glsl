#define MAX_BONE 10
uniform sampler2D tex;

#include "common_lit_varyings.glsl"

#include "common_fog.glsl"

void main()
{
    vec3 n = normalize(normal);
#include "common_lit_shade.glsl"
    color.rgb += gl_FrontMaterial.specular.rgb * gl_LightSource[0].specular.rgb *
                 pow(rdl, gl_FrontMaterial.shininess);
    gl_FragColor = vec4(fog(color.rgb), ambient.a * texel.a);
}
