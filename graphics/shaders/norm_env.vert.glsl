#define MAX_BONE 10
// Reflective models with a normal map: as env, plus the tangent and texture coordinates.
uniform int nbones;
uniform vec3 bone_c[MAX_BONE];
uniform vec3 bone_t[MAX_BONE];
uniform mat3 bone_r[MAX_BONE];

varying vec3 normal;
varying vec3 tangent;
varying vec3 viewer;
varying vec4 color;

void skin(float w, float bone, inout vec3 position, inout vec3 n, inout vec3 t)
{
    int b = int(bone);
    position += (bone_r[b] * (gl_Vertex.xyz - bone_c[b]) + bone_t[b]) * w;
    n += (bone_r[b] * gl_Normal) * w;
    t += (bone_r[b] * gl_MultiTexCoord1.xyz) * w;
}

void main()
{
    if (nbones == 0) {
        normal = normalize(gl_NormalMatrix * gl_Normal);
        tangent = normalize(gl_NormalMatrix * gl_MultiTexCoord1.xyz);
        vec4 v = gl_ModelViewMatrix * gl_Vertex;
        viewer = v.xyz / v.w;
        gl_Position = ftransform();
    } else {
        vec3 position = vec3(0.0);
        vec3 n = vec3(0.0);
        vec3 t = vec3(0.0);
        skin(gl_MultiTexCoord2.x, gl_MultiTexCoord3.x, position, n, t);
        skin(gl_MultiTexCoord2.y, gl_MultiTexCoord3.y, position, n, t);
        skin(gl_MultiTexCoord2.z, gl_MultiTexCoord3.z, position, n, t);
        skin(gl_MultiTexCoord2.w, gl_MultiTexCoord3.w, position, n, t);
        viewer = vec3(gl_ModelViewMatrix * vec4(position, 1.0));
        normal = normalize(gl_NormalMatrix * n);
        tangent = normalize(gl_NormalMatrix * t);
        gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);
    }
    color = gl_Color;
    gl_TexCoord[0] = gl_MultiTexCoord0;
}
