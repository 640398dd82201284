#include "app/UnseenFrames.h"

#include "geometry/DrawPath.h"
#include "gl/GL.h"

UnseenFrames::~UnseenFrames() { DrawPath::setStateOnly(false); }

// Not GL_RASTERIZER_DISCARD: with Mesa 22.3's llvmpipe a glBegin/glEnd draw in the first frame after it is
// switched off can still be discarded.
void UnseenFrames::set(bool on)
{
    if (on == active) {
        return;
    }
    if (on) {
        gl::getIntegerv(GL_SCISSOR_BOX, scissorBox);
        gl::enable(GL_SCISSOR_TEST);
        gl::scissor(0, 0, 0, 0);
    } else {
        gl::disable(GL_SCISSOR_TEST);
        gl::scissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    }
    DrawPath::setStateOnly(on);
    active = on;
}
