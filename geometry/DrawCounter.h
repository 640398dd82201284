#pragma once

#include <cstdint>

// What the show asks of the GL driver: draw calls, and bytes of vertex data (attributes and indices)
// handed over, whether copied from client memory at a draw or uploaded into a buffer object. Figures
// that do not depend on the machine; the render tool reports them per frame.
class DrawCounter {
public:
    struct Totals {
        std::uint64_t draws = 0;
        std::uint64_t bytes = 0;
    };

    static void countDraw(std::uint64_t bytesSent);
    static void countUpload(std::uint64_t bytes);
    // The totals since the last take, which starts a new count.
    static Totals take();
};
