#pragma once

class GraphicsObject;

// The ball cloud's morph, written the plain way: every ball placed by its own interpolation.
namespace plain {

// Places ball k at 5·(source_k + (target_k − source_k)·f) with f = elapsed/duration, elapsed clamped to
// the duration; a finished morph puts every ball exactly on 5 × its target vertex.
void morphStep(GraphicsObject* const* balls, unsigned ballCount, const float* source, const float* target,
               float duration, float elapsed);

} // namespace plain
