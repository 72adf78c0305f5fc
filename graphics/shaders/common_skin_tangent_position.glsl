    // Part of main(): as common_skin_position.glsl, with the eye-space tangent as well.
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
