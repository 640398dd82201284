#include "effects/scenes/FadeQuad.h"

#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include <GL/glew.h>

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
    const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    const GLboolean fogged = glIsEnabled(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLoadIdentity();
    glPushMatrix();
    quad->draw();
    glPopMatrix();
    glDisable(GL_BLEND);
    if (fogged) {
        glEnable(GL_FOG);
    }
    if (textured) {
        glEnable(GL_TEXTURE_2D);
    }
}
