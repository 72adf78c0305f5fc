    // Part of a lit model's main(): light 0's direction and the material's diffuse and ambient
    // colours under it and the global ambient light.
    light = normalize(vec3(gl_LightSource[0].position));
    diffuse = gl_FrontMaterial.diffuse * gl_LightSource[0].diffuse;
    ambient = gl_FrontMaterial.ambient * gl_LightSource[0].ambient +
              gl_LightModel.ambient * gl_FrontMaterial.ambient;
    ambient.a = min(ambient.a, 1.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
