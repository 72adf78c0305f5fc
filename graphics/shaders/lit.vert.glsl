#define MAX_BONE 10
// Lit models: per-pixel light from light 0 (directional), optionally skinned to four bones.
uniform int nbones;
uniform vec3 bone_c[MAX_BONE];
uniform vec3 bone_t[MAX_BONE];
uniform mat3 bone_r[MAX_BONE];

varying vec4 diffuse;
varying vec4 ambient;
varying vec3 normal;
varying vec3 light;
varying vec3 viewer;

void skin(float w, float bone, inout vec3 position, inout vec3 n)
{
    int b = int(bone);
    position += (bone_r[b] * (gl_Vertex.xyz - bone_c[b]) + bone_t[b]) * w;
    n += (bone_r[b] * gl_Normal) * w;
}

void main()
{
    if (nbones == 0) {
        normal = normalize(gl_NormalMatrix * gl_Normal);
        vec4 v = gl_ModelViewMatrix * gl_Vertex;
        viewer = v.xyz / v.w;
        gl_Position = ftransform();
    } else {
        vec3 position = vec3(0.0);
        vec3 n = vec3(0.0);
        skin(gl_MultiTexCoord2.x, gl_MultiTexCoord3.x, position, n);
        skin(gl_MultiTexCoord2.y, gl_MultiTexCoord3.y, position, n);
        skin(gl_MultiTexCoord2.z, gl_MultiTexCoord3.z, position, n);
        skin(gl_MultiTexCoord2.w, gl_MultiTexCoord3.w, position, n);
        viewer = vec3(gl_ModelViewMatrix * vec4(position, 1.0));
        normal = normalize(gl_NormalMatrix * n);
        gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);
    }
    light = normalize(vec3(gl_LightSource[0].position));
    diffuse = gl_FrontMaterial.diffuse * gl_LightSource[0].diffuse;
    ambient = gl_FrontMaterial.ambient * gl_LightSource[0].ambient +
              gl_LightModel.ambient * gl_FrontMaterial.ambient;
    ambient.a = min(ambient.a, 1.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
}
