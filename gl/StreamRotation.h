#pragma once

#include <cstddef>

// Where each write of a StreamBuffer lands, worked out without GL: past the last write, on an aligned offset,
// while it fits in the current store; otherwise at the start of the next of a few stores, which is grown
// first if the write is larger than it. The buffer carries the decisions out (fences, waits, allocation).
class StreamRotation {
public:
    // Enough that a store is taken again only frames after its draws were issued, so the wait is rarely felt.
    static constexpr int kStoreCount = 3;

    struct Placement {
        int store = 0;
        std::size_t offset = 0;
        // The store given up for this write (its draws must be fenced), or -1.
        int left = -1;
        // The write turned to `store`: the draws that read it last must have finished.
        bool turned = false;
        // The new capacity `store` must be given before the write, or 0.
        std::size_t grownTo = 0;
    };

    Placement place(std::size_t bytes);
    std::size_t capacity(int store) const { return capacities[store]; }
    void reset();

private:
    std::size_t capacities[kStoreCount] = {};
    int current = 0;
    std::size_t used = 0;
};
