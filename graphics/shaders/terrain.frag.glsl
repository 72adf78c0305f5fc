#define MAX_BONE 10
// nmap: the terrain normal texture (x and z in red and blue, light scale in green);
// smap: specular intensity in red, exponent in green.
uniform sampler2D tex;
uniform sampler2D nmap;
uniform sampler2D smap;

varying vec4 diffuse;
varying vec4 ambient;
varying vec3 light;
varying vec3 viewer;

#include "common_fog.glsl"

void main()
{
    vec2 st = gl_TexCoord[0].st;
    vec3 nt = texture2D(nmap, st).rgb;
    float len = nt.y;
    vec3 n = nt * 2.0 - 1.0;
    n.y = sqrt(max(1.0 - n.z * n.z - n.x * n.x, 0.0));
    n = normalize(gl_NormalMatrix * n);
#include "common_light_terms.glsl"
    vec4 color = ambient;
    color.rgb += diffuse.rgb * ndl * len;
    color *= texture2D(tex, st);
    vec4 s = texture2D(smap, st);
    float exponent = s.g * 128.0 + 0.125;
    color.rgb += s.r * gl_LightSource[0].specular.rgb * pow(rdl, exponent) * len;
    gl_FragColor = vec4(fog(color.rgb), color.a);
}
