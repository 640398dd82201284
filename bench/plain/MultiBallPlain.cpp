#include "plain/MultiBallPlain.h"

#include "geometry/GraphicsObject.h"

namespace plain {

void morphStep(GraphicsObject* const* balls, unsigned ballCount, const float* source, const float* target,
               float duration, float elapsed)
{
    const bool arrived = elapsed >= duration;
    const float f = (arrived ? duration : elapsed) / duration;
    for (unsigned k = 0; k < ballCount; ++k) {
        const float* from = source + 3 * k;
        const float* to = target + 3 * k;
        if (arrived) {
            // A lerp at f = 1 can miss the target by a rounding.
            balls[k]->setPosition(5.0f * to[0], 5.0f * to[1], 5.0f * to[2]);
        } else {
            balls[k]->setPosition(5.0f * (from[0] + (to[0] - from[0]) * f), 5.0f * (from[1] + (to[1] - from[1]) * f),
                                  5.0f * (from[2] + (to[2] - from[2]) * f));
        }
    }
}

} // namespace plain
