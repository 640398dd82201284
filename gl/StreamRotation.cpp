#include "gl/StreamRotation.h"

#include <algorithm>

namespace {

// Large enough that a frame of the show's smaller draws shares a handful of stores.
constexpr std::size_t kMinimumCapacity = std::size_t{4} << 20;
// Every write starts on a boundary any attribute type accepts.
constexpr std::size_t kAlignment = 16;

} // namespace

StreamRotation::Placement StreamRotation::place(std::size_t bytes)
{
    Placement placement;
    placement.offset = (used + kAlignment - 1) / kAlignment * kAlignment;
    if (placement.offset + bytes > capacities[current]) {
        // The first write of all takes the first store as it is.
        if (capacities[current] > 0) {
            placement.left = current;
            current = (current + 1) % kStoreCount;
        }
        placement.turned = true;
        placement.offset = 0;
        if (bytes > capacities[current]) {
            capacities[current] = std::max({capacities[current], kMinimumCapacity, bytes});
            placement.grownTo = capacities[current];
        }
    }
    placement.store = current;
    used = placement.offset + bytes;
    return placement;
}

void StreamRotation::reset() { *this = StreamRotation(); }
