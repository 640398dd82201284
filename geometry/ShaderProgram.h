#pragma once

// A linked GLSL program that meshes may share. A reference count of 0 means one holder.
struct ShaderProgram {
    bool enabled = false;
    int referenceCount = 0;
    unsigned vertexShader = 0;
    unsigned fragmentShader = 0;
    unsigned program = 0;
};
