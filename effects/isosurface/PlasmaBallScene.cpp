#include "effects/isosurface/PlasmaBallScene.h"

#include "effects/isosurface/PlasmaColor.h"
#include "effects/sync/PlasmaBallSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

#include <cmath>

namespace {

constexpr unsigned kSphereStacks = 150;
constexpr unsigned kSphereSlices = 150;
constexpr float kInitialColor = 0.2f;
constexpr float kBallDistance = -20.0f;
constexpr float kFrequencyScale = 0.08975979f;
constexpr float kWaveY = 1.5450456f;
// A start this close to the end of the rewind or later still winds back, at a bounded speed.
constexpr float kShortestRewind = 1.0f;

} // namespace

PlasmaBallScene::PlasmaBallScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

bool PlasmaBallScene::load()
{
    if (plasmaSphere == nullptr) {
        plasmaSphere = PrimitiveFactory::createColoredSphere(kSphereStacks, kSphereSlices);
        objects.push_back(plasmaSphere);
        const float* vertices = plasmaSphere->getVertices();
        sphereRestVertices.assign(vertices, vertices + plasmaSphere->getVertexCount() * 3);
        // Only ever drawn as a blended wireframe: every edge of every triangle adds its light.
        plasmaSphere->setWireframe(MeshObject::Wireframe::EdgesPerTriangle);
    }
    float* colors = plasmaSphere->getColors();
    for (int i = 0; i < plasmaSphere->getColorCount() * 4; ++i) {
        colors[i] = kInitialColor;
    }
    position[2] = kBallDistance;
    return true;
}

void PlasmaBallScene::start()
{
    gl::lineWidth(1.0f);
    gl::shadeModel(GL_SMOOTH);
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.5f);
    gl::clearDepth(1.0);
    gl::enable(GL_DEPTH_TEST);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::enable(GL_LINE_SMOOTH);
    gl::depthFunc(GL_LEQUAL);
    gl::hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl::enable(GL_NORMALIZE);
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_LIGHT0);
    gl::disable(GL_TEXTURE_2D);
    gl::colorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    gl::enable(GL_COLOR_MATERIAL);
    gl::loadIdentity();
    startClock(*timeValue);
}

void PlasmaBallScene::startClock(float time)
{
    startTime = time;
    // The rewind maps what is left of the scene onto about 209 s; a start at or after its end would divide
    // by zero or wind forwards, so only then does what is left count as a second.
    float left = kPlasmaBallRewindEnd - startTime;
    if (!(left > 0.0f)) {
        left = kShortestRewind;
    }
    timeScale = kPlasmaBallRewindEnd / left;
}

float PlasmaBallScene::windTime(float t) const
{
    const float scaled = (t - startTime) * timeScale;
    return t - scaled;
}

void PlasmaBallScene::displaceBall(float t)
{
    const float tau = windTime(t);
    const float b = (std::sin(2.0f * t) + 2.0f) * 4.0f * kFrequencyScale;
    // The time terms and frequencies of the seven waves.
    const float bx1 = b * tau / 10.0f;
    const float by2 = 0.125f * tau * b;
    const float bz3 = tau / 3.0f * b;
    const float bx4 = 0.5f * tau * b;
    const float by5 = tau * b;
    const float bz6 = 0.5f * tau * b;
    const float* rest = sphereRestVertices.data();
    float* vertices = plasmaSphere->getVertices();
    float* colors = plasmaSphere->getColors();
    const int count = plasmaSphere->getVertexCount();
    // A ring of the sphere shares its y, so the two waves in y alone are computed once per ring.
    float ringY = NAN;
    float waveY2 = 0.0f;
    float waveY5 = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float x = rest[i * 3];
        const float y = rest[i * 3 + 1];
        const float z = rest[i * 3 + 2];
        if (!(y == ringY)) {
            ringY = y;
            waveY2 = std::sin(by2 * y + 3.0f * tau);
            waveY5 = std::sin(8.0f / 6.0f * tau + by5 * y);
        }
        const float p = std::sin(2.5f * tau + bx1 * x) * waveY2 * std::cos((1.75f * tau + bz3 * z) * 0.5f) *
                        std::cos(1.5f * tau + bx4 * x) * waveY5 * std::cos(bz6 * z + 3.0f * tau) *
                        std::sin(4.0f * tau + 0.25f * x + 0.25f * kWaveY * y);
        const float r = 6.0f * p + 6.0f;
        vertices[i * 3] = r * x;
        vertices[i * 3 + 1] = r * y;
        vertices[i * 3 + 2] = r * z;
        plasmaColor(r, colors + i * 4);
    }
}

void PlasmaBallScene::render()
{
    const float t = *timeValue;
    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::loadIdentity();
    gl::translatef(0.0f, 0.0f, position[2]);
    gl::rotatef(30.0f * t, 1.0f, 1.0f, 0.0f);
    displaceBall(t);
    for (GraphicsObject* object : objects) {
        object->draw();
    }
}

void PlasmaBallScene::stop()
{
    gl::disable(GL_DEPTH_TEST);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::disable(GL_LINE_SMOOTH);
    gl::disable(GL_NORMALIZE);
    gl::disable(GL_BLEND);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_CULL_FACE);
    gl::disable(GL_LIGHT0);
    gl::disable(GL_TEXTURE_2D);
    gl::disable(GL_COLOR_MATERIAL);
}
