#pragma once

#include "gl/FixedFunctionState.h"

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The processor's copy of what buffer objects hold, for the draws the shader back end must read on the
// processor: edge lists and line quads, and client arrays streamed for the vertices that indices in a buffer
// reach. No GL calls; the back end decides which buffers are worth a copy.
class BufferCopies {
public:
    // `data` null fills the copy with zeros, as glBufferData leaves the store undefined.
    void keep(GLuint buffer, const void* data, std::size_t size);
    void forget(GLuint buffer);
    // The attributes as the processor reads them: client memory, or the copy of a buffer's contents; null
    // where an array is off or its buffer has no copy.
    FixedFunctionState::Sources sources(const FixedFunctionState::Arrays& arrays) const;
    // The indices a draw reads: client memory when no element buffer is bound, else its copy (null without one).
    const std::uint8_t* indices(GLuint elementBuffer, const void* indices) const;

private:
    std::unordered_map<GLuint, std::vector<std::uint8_t>> contents;
};
