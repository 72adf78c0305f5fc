    // Part of main(): the diffuse (ndl) and specular (rdl) terms of light 0 for the eye-space
    // normal n; a face turned from the light gets neither.
    float ndl = dot(n, light);
    float rdl = max(dot(reflect(normalize(viewer), n), light), 0.0);
    if (ndl < 0.0) {
        ndl = 0.0;
        rdl = 0.0;
    }
