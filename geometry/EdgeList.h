#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The edges of a triangle list, as pairs of line indices, for drawing a wireframe as lines.
class EdgeList {
public:
    enum class Order {
        // Each undirected edge once, where it first appears: for unblended wireframes, where a second
        // pass over an edge changes no pixel.
        Unique,
        // Three edges per triangle in triangle order, as line-mode polygons draw them: for blended
        // wireframes, where an edge drawn twice shows twice.
        PerTriangle,
    };

    static std::vector<std::uint32_t> linesOf(const std::uint32_t* triangles, std::size_t triangleCount, Order order);
};
