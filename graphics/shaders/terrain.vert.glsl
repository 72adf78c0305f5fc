#define MAX_BONE 10
// Terrain with its normal and specular textures; the ground's own shading carries the global
// ambient, so only light 0's ambient is added here.
varying vec4 diffuse;
varying vec4 ambient;
varying vec3 light;
varying vec3 viewer;

void main()
{
    vec4 v = gl_ModelViewMatrix * gl_Vertex;
    viewer = v.xyz / v.w;
    light = normalize(vec3(gl_LightSource[0].position));
    diffuse = gl_FrontMaterial.diffuse * gl_LightSource[0].diffuse;
    ambient = gl_FrontMaterial.ambient * gl_LightSource[0].ambient;
    ambient.a = min(ambient.a, 1.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
