#pragma once

#include "gl/BufferCopies.h"
#include "gl/FixedFunctionState.h"
#include "gl/StreamBuffer.h"

#include <GL/glew.h>

#include <cstdint>
#include <vector>

// Draws primitives as given, straight from the arrays: arrays in buffer objects are read where they are,
// client arrays are streamed into buffers for the vertices the indices reach, with the indices moved to start
// at the lowest of them, and arrays that are off give their current value. Client arrays that interleave
// (immediate mode) go up once, in the first stream; line quads are written to it too.
class ClientArrayStreams {
public:
    // What a draw reads, worked out before anything is given to GL.
    struct Reach {
        const std::uint32_t* cpuIndices = nullptr; // the indices, where the processor must read them
        std::uint32_t lowest = 0;
        std::uint32_t highest = 0;
    };
    // False when the draw's indices cannot be read on the processor though it must read them.
    static bool reach(const FixedFunctionState::Arrays& arrays, const BufferCopies& copies, GLsizei count,
                      const void* indices, Reach* reach);

    void create();
    void releaseDeviceObjects();
    // Sets up every attribute and draws through the current program.
    void draw(GLenum mode, GLsizei count, const void* indices, const Reach& reach,
              const FixedFunctionState::Arrays& arrays, const FixedFunctionState::Current& current);
    StreamBuffer& first() { return vertexStreams[FixedFunctionState::PositionSlot]; }

private:
    // Client arrays, each in its own stream, or all in the first where they interleave.
    StreamBuffer vertexStreams[FixedFunctionState::SlotCount] = {
        StreamBuffer(GL_ARRAY_BUFFER), StreamBuffer(GL_ARRAY_BUFFER), StreamBuffer(GL_ARRAY_BUFFER),
        StreamBuffer(GL_ARRAY_BUFFER)};
    StreamBuffer indexStream{GL_ELEMENT_ARRAY_BUFFER};
    std::vector<std::uint32_t> rebased;
};
