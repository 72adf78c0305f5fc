    // Part of a lit model's main(): ambient plus diffuse light on the texture for the normal n,
    // leaving color, texel and rdl for the specular term that follows.
#include "common_light_terms.glsl"
    vec4 color = ambient;
    color.rgb += diffuse.rgb * ndl;
    vec4 texel = texture2D(tex, gl_TexCoord[0].st);
    color *= texel;
