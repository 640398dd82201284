#pragma once

#include "gl/FixedFunctionTable.h"
#include "gl/ProgramVariants.h"

#include <GL/glew.h>

// The GLSL the shader back end draws with: GL 1.x's per-vertex lighting (one light, colour material), normal
// scaling, sphere and reflection maps, EXP fog, modulated textures and flat shading, and lines drawn as
// quads, wide or with their coverage computed per fragment. One source, compiled as `#version 330 core` or
// `#version 300 es`, once for each set of flags a draw uses, as drivers specialise their fixed function:
// a software rasteriser then runs no code for what is switched off. Its switches, attributes and uniforms
// are those of FixedFunctionTable.h.
class FixedFunctionProgram {
public:
    FixedFunctionProgram();
    FixedFunctionProgram(const FixedFunctionProgram&) = delete;
    FixedFunctionProgram& operator=(const FixedFunctionProgram&) = delete;

    void setTarget(bool openGLES) { es = openGLES; }
    // Makes the variant for `flags` current, compiling it the first time, and uploads the uniforms that
    // differ from what it last drew with; false, with the compiler's log on standard error once, when it does
    // not compile.
    bool use(int flags, const fixed_function::UniformValues& values);
    void destroy();

private:
    GLuint make(int flags, GLint* locations);

    bool es = false;
    ProgramVariants variants;
    GLuint current = 0;
};
