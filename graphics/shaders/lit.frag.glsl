#define MAX_BONE 10
uniform sampler2D tex;

varying vec4 diffuse;
varying vec4 ambient;
varying vec3 normal;
varying vec3 light;
varying vec3 viewer;

// Exponential fog, exp(-density * z).
vec3 fog(vec3 color)
{
    float z = gl_FragCoord.z / gl_FragCoord.w;
    float f = clamp(exp2(-1.4426950408889634 * gl_Fog.density * z), 0.0, 1.0);
    return mix(gl_Fog.color.rgb, color, f);
}

void main()
{
    vec3 n = normalize(normal);
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
    color.rgb += gl_FrontMaterial.specular.rgb * gl_LightSource[0].specular.rgb *
                 pow(rdl, gl_FrontMaterial.shininess);
    gl_FragColor = vec4(fog(color.rgb), ambient.a * texel.a);
}
