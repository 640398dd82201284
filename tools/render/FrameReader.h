#pragma once

#include <cstdint>
#include <vector>

// Reads finished frames back from the GL frame buffer, bottom row first, RGBA. With pixel-buffer
// objects the read of one frame overlaps the rendering of the next: each call hands back the frame
// queued by the call before it.
class FrameReader {
public:
    FrameReader(int width, int height);
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;
    ~FrameReader();

    // Starts reading the back buffer; true with the previously queued frame in `previous` if there was one.
    bool queue(std::vector<std::uint8_t>& previous);
    // The frame queued last, if any.
    bool flush(std::vector<std::uint8_t>& last);
    // Deletes the GL objects; the context must still be current.
    void release();

    bool usesPixelBuffers() const { return buffers[0] != 0; }

private:
    bool take(int slot, std::vector<std::uint8_t>& pixels);

    int width;
    int height;
    std::size_t frameBytes;
    unsigned buffers[2] = {0, 0};
    std::vector<std::uint8_t> pending; // without pixel buffers
    bool queued[2] = {false, false};
    int next = 0;
};
