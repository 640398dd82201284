#include "effects/scenes/FadeQuad.h"

#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

FadeQuad::FadeQuad() : quad(PrimitiveFactory::createPlane(1, 1, 5.0f, 5.0f))
{
    quad->setPosition(-2.5f, -2.5f, -1.0f);
}

FadeQuad::~FadeQuad() = default;

void FadeQuad::setAlpha(float alpha)
{
    float* colors = quad->getColors();
    for (int i = 0; i < quad->getColorCount(); ++i) {
        colors[i * 4 + 3] = alpha;
    }
}

void FadeQuad::draw(float alpha)
{
    setAlpha(alpha);
    // The quad must reach pure white: a bound texture would tint it and a tunnel's fog would grey it.
    const GLboolean textured = gl::isEnabled(GL_TEXTURE_2D);
    const GLboolean fogged = gl::isEnabled(GL_FOG);
    gl::disable(GL_TEXTURE_2D);
    gl::disable(GL_FOG);
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::loadIdentity();
    gl::pushMatrix();
    quad->draw();
    gl::popMatrix();
    gl::disable(GL_BLEND);
    if (fogged) {
        gl::enable(GL_FOG);
    }
    if (textured) {
        gl::enable(GL_TEXTURE_2D);
    }
}
