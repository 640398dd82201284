#pragma once

#include <GL/glew.h>

#include <cstddef>

// A buffer object that the data of one draw after another is written into without waiting for the draws
// before: each write lands past the last one, mapped unsynchronized, and when the store is full it is
// replaced by a fresh one (the driver keeps the old one for the draws still reading it). Many small draws
// then share one store instead of each making its own. Where buffers cannot be mapped (WebGL2) each write
// replaces the store.
class StreamBuffer {
public:
    explicit StreamBuffer(GLenum target) : target(target) {}
    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

    void create();
    void destroy();
    // Copies `bytes` of `data` in and returns the offset they start at; the buffer stays bound to its target.
    // A draw reads one write of each stream: the next may start a fresh store.
    std::size_t write(const void* data, std::size_t bytes);
    GLuint name() const { return buffer; }

private:
    GLenum target;
    GLuint buffer = 0;
    std::size_t capacity = 0;
    std::size_t used = 0;
};
