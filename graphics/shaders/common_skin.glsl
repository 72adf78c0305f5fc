void skin(float w, float bone, inout vec3 position, inout vec3 n)
{
    int b = int(bone);
    position += (bone_r[b] * (gl_Vertex.xyz - bone_c[b]) + bone_t[b]) * w;
    n += (bone_r[b] * gl_Normal) * w;
}
