#include "tools/render/FrameReader.h"

#include "gl/GL.h"

#include <cstring>

FrameReader::FrameReader(int width, int height)
    : width(width), height(height), frameBytes(static_cast<std::size_t>(width) * height * 4)
{
    if (GLEW_VERSION_2_1 || GLEW_ARB_pixel_buffer_object) {
        gl::genBuffers(2, buffers);
        for (unsigned buffer : buffers) {
            gl::bindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            gl::bufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frameBytes), nullptr, GL_STREAM_READ);
        }
        gl::bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        pending.resize(frameBytes);
    }
}

FrameReader::~FrameReader() = default;

void FrameReader::release()
{
    if (buffers[0] != 0) {
        gl::deleteBuffers(2, buffers);
        buffers[0] = buffers[1] = 0;
    }
}

bool FrameReader::take(int slot, std::vector<std::uint8_t>& pixels)
{
    if (!queued[slot]) {
        return false;
    }
    queued[slot] = false;
    pixels.resize(frameBytes);
    if (buffers[0] == 0) {
        pixels.swap(pending);
        pending.resize(frameBytes);
        return true;
    }
    gl::bindBuffer(GL_PIXEL_PACK_BUFFER, buffers[slot]);
    const void* mapped = gl::mapBufferForReading(GL_PIXEL_PACK_BUFFER);
    if (mapped != nullptr) {
        std::memcpy(pixels.data(), mapped, frameBytes);
        gl::unmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    gl::bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return mapped != nullptr;
}

bool FrameReader::queue(std::vector<std::uint8_t>& previous)
{
    const int slot = next;
    const int other = 1 - slot;
    const bool havePrevious = buffers[0] != 0 ? take(other, previous) : false;
    gl::pixelStorei(GL_PACK_ALIGNMENT, 1);
    if (buffers[0] != 0) {
        gl::bindBuffer(GL_PIXEL_PACK_BUFFER, buffers[slot]);
        gl::readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        gl::bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        queued[slot] = true;
        next = other;
        return havePrevious;
    }
    // Without pixel buffers the read is immediate, but the hand-back keeps the same one-frame delay.
    const bool hadPending = queued[0] && take(0, previous);
    gl::readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pending.data());
    queued[0] = true;
    return hadPending;
}

bool FrameReader::flush(std::vector<std::uint8_t>& last)
{
    if (buffers[0] != 0) {
        return take(1 - next, last);
    }
    return take(0, last);
}
