#pragma once

#include "gl/FixedFunctionState.h"

#include <GL/glew.h>

#include <cstdint>
#include <vector>

// glBegin … glEnd for the shader back end: each vertex takes the current attributes when it is given, and
// glEnd turns what the primitive made into indexed triangles or lines, drawn like client arrays. Triangles,
// quads, quad strips and lines only: the show draws nothing else between glBegin and glEnd.
class ImmediateMode {
public:
    // An immediate-mode vertex: everything current when glVertex was called.
    struct Vertex {
        float position[3];
        float normal[3];
        float color[4];
        float texCoord[2];
    };

    void begin(GLenum mode);
    // Outside glBegin … glEnd nothing is kept.
    void vertex(const GLfloat* position, const FixedFunctionState::Current& current);
    // Ends the primitive; returns the mode to draw its indices with, GL_TRIANGLES or GL_LINES, or 0 when it
    // made nothing to draw.
    GLenum end();

    const std::vector<Vertex>& vertices() const { return made; }
    const std::vector<std::uint32_t>& indices() const { return madeIndices; }

private:
    GLenum mode = 0;
    std::vector<Vertex> made;
    std::vector<std::uint32_t> madeIndices;
};
