#include "gl/StreamBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

// Large enough that a frame of the show's smaller draws shares a handful of stores.
constexpr std::size_t kMinimumCapacity = std::size_t{4} << 20;
// Every write starts on a boundary any attribute type accepts.
constexpr std::size_t kAlignment = 16;

// WebGL2 maps no buffers; elsewhere the driver says whether it can.
bool buffersMap()
{
#ifdef __EMSCRIPTEN__
    return false;
#else
    return glMapBufferRange != nullptr;
#endif
}

} // namespace

void StreamBuffer::create()
{
    glGenBuffers(1, &buffer);
    capacity = used = 0;
}

void StreamBuffer::destroy()
{
    if (buffer != 0) {
        glDeleteBuffers(1, &buffer);
        buffer = 0;
    }
    capacity = used = 0;
}

std::size_t StreamBuffer::write(const void* data, std::size_t bytes)
{
    glBindBuffer(target, buffer);
    if (!buffersMap()) {
        glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
        return 0;
    }
    std::size_t offset = (used + kAlignment - 1) / kAlignment * kAlignment;
    if (offset + bytes > capacity) {
        capacity = std::max({capacity, kMinimumCapacity, bytes});
        glBufferData(target, static_cast<GLsizeiptr>(capacity), nullptr, GL_STREAM_DRAW);
        offset = 0;
    }
    void* mapped = glMapBufferRange(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes),
                                    GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (mapped == nullptr) {
        glBufferSubData(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
    } else {
        std::memcpy(mapped, data, bytes);
        glUnmapBuffer(target);
    }
    used = offset + bytes;
    return offset;
}
