// As common_skin.glsl, turning the tangent (texture coordinate set 1) with the normal.
void skin(float w, float bone, inout vec3 position, inout vec3 n, inout vec3 t)
{
    int b = int(bone);
    position += (bone_r[b] * (gl_Vertex.xyz - bone_c[b]) + bone_t[b]) * w;
    n += (bone_r[b] * gl_Normal) * w;
    t += (bone_r[b] * gl_MultiTexCoord1.xyz) * w;
}
