#pragma once

#include "gl/StreamRotation.h"

#include <GL/glew.h>

#include <cstddef>

// A stream of buffer objects that the data of one draw after another is written into without waiting for the
// draws before: each write lands past the last one, mapped unsynchronized. When a store is full the next of a
// few is taken, once the draws that read it last have finished, so stores are reused rather than replaced (a
// replaced store costs the driver fresh memory, zeroed, at every turn). Many small draws then share one store
// instead of each making its own; StreamRotation decides where each write goes. Where buffers cannot be mapped
// (WebGL2) each write replaces the store.
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
    GLuint name() const { return stores[current].buffer; }

private:
    struct Store {
        GLuint buffer = 0;
        GLsync drawn = nullptr; // signalled once the draws that read this store have finished
    };

    GLenum target;
    Store stores[StreamRotation::kStoreCount];
    StreamRotation rotation;
    int current = 0;
};
