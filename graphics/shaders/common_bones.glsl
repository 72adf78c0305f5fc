// Up to four of the bones weigh on each vertex: texture coordinate set 2 holds the weights, set 3
// the bone numbers; nbones 0 draws the model as it stands.
uniform int nbones;
uniform vec3 bone_c[MAX_BONE];
uniform vec3 bone_t[MAX_BONE];
uniform mat3 bone_r[MAX_BONE];
