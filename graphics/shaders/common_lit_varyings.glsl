// What a lit model's vertex stage hands its fragment stage.
varying vec4 diffuse;
varying vec4 ambient;
varying vec3 normal;
varying vec3 light;
varying vec3 viewer;
