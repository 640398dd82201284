#pragma once

// The wound-back plasma ball computed the obvious way, one loop over the vertices, for comparison with the
// scene's own loop. Positions are three floats a vertex, colours four.
namespace plain {

// Pushes every ball vertex out from its rest position by the product of seven waves on the clock wound
// back from startTime (which must lie before the end of the rewind), for music time t, and colours it
// from the same displacement; alpha is left alone.
void displaceWoundBall(const float* restVertices, int vertexCount, float startTime, float t, float* vertices,
                       float* colors);

} // namespace plain
