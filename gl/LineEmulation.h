#pragma once

#include "gl/FixedFunctionState.h"
#include "gl/FixedFunctionTable.h"

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class StreamBuffer;

// Lines the context does not draw itself (ContextCapabilities), drawn by the shader back end: line-mode
// triangles become edge lists, culled on the processor first as the driver culls them, and lines wider than a
// pixel or smoothed become quads, four corners a line, whose coverage the fragment shader works out. Building
// the lists makes no GL call; drawing the quads does. Its limits: counter-clockwise is the front, as the show
// never changes it, and positions are floats.
class LineEmulation {
public:
    // A corner of a line drawn as a quad: one member for each attribute of the program.
#define QUESSALY_AS_MEMBER(name, member, components) float member[components];
    struct Corner {
        QUESSALY_PROGRAM_ATTRIBUTES(QUESSALY_AS_MEMBER)
    };
#undef QUESSALY_AS_MEMBER

    // The edges of the `count` triangles that survive face culling (when `cull`), as pairs of vertices in the
    // order drivers draw them, the closing edge first. Under `flat` shading each edge also records the vertex
    // that shades it: its triangle's last.
    void edgesOf(const std::uint32_t* triangles, std::size_t count, const FixedFunctionState::Sources& sources,
                 const float* modelviewProjection, const GLint* viewport, bool cull, bool flat);
    const std::vector<std::uint32_t>& edges() const { return edgeList; }
    const std::vector<std::uint32_t>& edgeShading() const { return shadedBy; }

    // The four corners of each of `count` lines (pairs of vertices): corners 0 and 1 at the first end, 2 and 3
    // at the second, each with its own end's attributes and the other end's. `shading`, when given, names for
    // each line the vertex whose normal and colour light it; where an array is off the current value stands.
    void cornersOf(const std::uint32_t* lines, std::size_t count, const FixedFunctionState::Sources& sources,
                   const FixedFunctionState::Current& current, const std::uint32_t* shading = nullptr);
    const std::vector<Corner>& corners() const { return cornerList; }

    // Draws the corners made last as quads through the current program, with face culling off for them, as
    // lines are never culled.
    void drawQuads(StreamBuffer& stream, bool cullFace);
    void releaseDeviceObjects();

private:
    std::vector<std::uint32_t> edgeList;
    std::vector<std::uint32_t> shadedBy;
    std::vector<Corner> cornerList;
    GLuint quadIndexBuffer = 0;
    std::size_t quadIndexLines = 0;
    std::vector<std::uint32_t> quadIndices;
};
