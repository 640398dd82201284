#include "gl/StreamBuffer.h"

#include <cstring>

namespace {

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
    rotation.reset();
    current = 0;
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
    rotation.reset();
    current = 0;
}

std::size_t StreamBuffer::write(const void* data, std::size_t bytes)
{
    if (!buffersMap()) {
        glBindBuffer(target, stores[0].buffer);
        glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
        return 0;
    }
    const StreamRotation::Placement placement = rotation.place(bytes);
    if (placement.left >= 0) {
        stores[placement.left].drawn = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    }
    current = placement.store;
    Store& store = stores[current];
    glBindBuffer(target, store.buffer);
    std::size_t allocate = placement.grownTo;
    if (placement.turned && store.drawn != nullptr) {
        GLenum status = GL_TIMEOUT_EXPIRED;
        while (status == GL_TIMEOUT_EXPIRED) {
            status = glClientWaitSync(store.drawn, GL_SYNC_FLUSH_COMMANDS_BIT, GLuint64{1000000000});
        }
        glDeleteSync(store.drawn);
        store.drawn = nullptr;
        if (status == GL_WAIT_FAILED) {
            allocate = rotation.capacity(current); // fresh memory: nothing a draw still reads is overwritten
        }
    }
    if (allocate > 0) {
        glBufferData(target, static_cast<GLsizeiptr>(allocate), nullptr, GL_STREAM_DRAW);
    }
    void* mapped = glMapBufferRange(target, static_cast<GLintptr>(placement.offset), static_cast<GLsizeiptr>(bytes),
                                    GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (mapped == nullptr) {
        glBufferSubData(target, static_cast<GLintptr>(placement.offset), static_cast<GLsizeiptr>(bytes), data);
    } else {
        std::memcpy(mapped, data, bytes);
        glUnmapBuffer(target);
    }
    return placement.offset;
}
