#include "geometry/EdgeList.h"

#include <algorithm>
#include <utility>

std::vector<std::uint32_t> EdgeList::linesOf(const std::uint32_t* triangles, std::size_t triangleCount, Order order)
{
    std::vector<std::uint32_t> lines;
    lines.reserve(triangleCount * 6);
    for (std::size_t t = 0; t < triangleCount; ++t) {
        // The closing edge first, as line-mode polygons are drawn: 2→0, 0→1, 1→2.
        const std::uint32_t* corner = triangles + 3 * t;
        for (int e = 2; e < 5; ++e) {
            lines.push_back(corner[e % 3]);
            lines.push_back(corner[(e + 1) % 3]);
        }
    }
    if (order == Order::PerTriangle) {
        return lines;
    }
    // Sorting by undirected edge finds the first appearance of each; sorting those keeps the triangles' order.
    const std::size_t edgeCount = lines.size() / 2;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys(edgeCount);
    for (std::size_t e = 0; e < edgeCount; ++e) {
        const std::uint32_t a = lines[2 * e];
        const std::uint32_t b = lines[2 * e + 1];
        keys[e] = {(std::uint64_t{std::min(a, b)} << 32) | std::max(a, b), static_cast<std::uint32_t>(e)};
    }
    std::sort(keys.begin(), keys.end());
    std::vector<std::uint32_t> firsts;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (k == 0 || keys[k].first != keys[k - 1].first) {
            firsts.push_back(keys[k].second);
        }
    }
    std::sort(firsts.begin(), firsts.end());
    std::vector<std::uint32_t> unique;
    unique.reserve(firsts.size() * 2);
    for (std::uint32_t e : firsts) {
        unique.push_back(lines[2 * e]);
        unique.push_back(lines[2 * e + 1]);
    }
    return unique;
}
