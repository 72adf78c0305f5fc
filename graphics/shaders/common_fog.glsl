// Exponential fog, exp(-density * z).
vec3 fog(vec3 color)
{
    float z = gl_FragCoord.z / gl_FragCoord.w;
    float f = clamp(exp2(-1.4426950408889634 * gl_Fog.density * z), 0.0, 1.0);
    return mix(gl_Fog.color.rgb, color, f);
}
