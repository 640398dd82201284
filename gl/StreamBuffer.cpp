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
    for (Store& store : stores) {
        glGenBuffers(1, &store.buffer);
    }
    current = 0;
    used = 0;
}

void StreamBuffer::destroy()
{
    for (Store& store : stores) {
        if (store.drawn != nullptr) {
            glDeleteSync(store.drawn);
        }
        if (store.buffer != 0) {
            glDeleteBuffers(1, &store.buffer);
        }
        store = Store{};
    }
    current = 0;
    used = 0;
}

void StreamBuffer::takeNextStore(std::size_t bytes)
{
    if (stores[current].capacity > 0) {
        stores[current].drawn = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        current = (current + 1) % kStoreCount;
    }
    Store& store = stores[current];
    glBindBuffer(target, store.buffer);
    if (store.drawn != nullptr) {
        GLenum status = GL_TIMEOUT_EXPIRED;
        while (status == GL_TIMEOUT_EXPIRED) {
            status = glClientWaitSync(store.drawn, GL_SYNC_FLUSH_COMMANDS_BIT, GLuint64{1000000000});
        }
        glDeleteSync(store.drawn);
        store.drawn = nullptr;
        if (status == GL_WAIT_FAILED) {
            store.capacity = 0; // a fresh store, then: nothing can be overwritten that a draw still reads
        }
    }
    if (bytes > store.capacity) {
        store.capacity = std::max({store.capacity, kMinimumCapacity, bytes});
        glBufferData(target, static_cast<GLsizeiptr>(store.capacity), nullptr, GL_STREAM_DRAW);
    }
    used = 0;
}

std::size_t StreamBuffer::write(const void* data, std::size_t bytes)
{
    if (!buffersMap()) {
        glBindBuffer(target, stores[0].buffer);
        glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
        return 0;
    }
    std::size_t offset = (used + kAlignment - 1) / kAlignment * kAlignment;
    if (offset + bytes > stores[current].capacity) {
        takeNextStore(bytes);
        offset = 0;
    } else {
        glBindBuffer(target, stores[current].buffer);
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
