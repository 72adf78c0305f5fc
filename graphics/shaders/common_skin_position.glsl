    // Part of main(): the vertex position, eye-space normal and viewer, skinned when bones are set.
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
