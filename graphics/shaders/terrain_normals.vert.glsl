#define MAX_BONE 10
// Renders the terrain's combined normal texture: texture matrix 1 maps a vertex to its place in
// the ground's base normal texture.
varying vec2 tc;

void main()
{
    vec4 p = gl_TextureMatrix[1] * gl_Vertex;
    tc = p.xy / p.w;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
