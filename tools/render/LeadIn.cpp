#include "tools/render/LeadIn.h"

#include "geometry/DrawPath.h"

#include <GL/glew.h>

LeadIn::~LeadIn() { DrawPath::setStateOnly(false); }

// Not GL_RASTERIZER_DISCARD: with Mesa 22.3's llvmpipe a glBegin/glEnd draw in the first frame after it is
// switched off can still be discarded.
void LeadIn::set(bool on)
{
    if (on == active) {
        return;
    }
    if (on) {
        glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    } else {
        glDisable(GL_SCISSOR_TEST);
        glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    }
    DrawPath::setStateOnly(on);
    active = on;
}
