#pragma once

// The flapping ball, written the plain way: one pass over the triangles sets each one's colour and
// its nine coordinates.
namespace plain {

// Rewrites the colours (four floats per vertex, alpha kept) and positions of a ball of unshared
// triangles for music time `now`; wingFactor holds one factor per pair of triangles.
void animateBall(float* vertices, float* colors, const float* restVertices, const float* wingFactor,
                 int triangleCount, float now);

} // namespace plain
