#pragma once

#include <cstddef>
#include <cstdint>

// The boiling tube wall, written the plain way: every term of every corner's factor evaluated where it
// is used.
namespace plain {

// For every index position p from 3·windowFirst to 3·(windowFirst + windowCount), the corners at p, p + 1
// and p + 2 get their rest x and z times a factor read from their current shape. Runs that would reach
// past the index array are left out.
void boilWall(float* vertices, const float* restVertices, const std::uint32_t* indices, std::size_t indexCount,
              int windowFirst, unsigned windowCount, float now);

} // namespace plain
