#include "effects/isosurface/PlasmaBallInCubeScene.h"

#include "platform/KeyCode.h"

#include "effects/isosurface/PlasmaColor.h"
#include "effects/sync/PlasmaBallInCubeSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

#include <cmath>

namespace {

struct FacePlacement {
    float position[3];
    float rotation[3]; // degrees
};

// Six 25 × 25 planes closing a cube centred on the origin.
constexpr FacePlacement kFaces[PlasmaBallInCubeScene::kFaceCount] = {
    {{12.5f, -12.5f, 12.5f}, {0.0f, 180.0f, 0.0f}},  {{-12.5f, -12.5f, -12.5f}, {0.0f, 0.0f, 0.0f}},
    {{-12.5f, -12.5f, 12.5f}, {0.0f, 90.0f, 0.0f}},  {{12.5f, -12.5f, -12.5f}, {0.0f, -90.0f, 0.0f}},
    {{-12.5f, 12.5f, -12.5f}, {90.0f, 0.0f, 0.0f}},  {{-12.5f, -12.5f, 12.5f}, {-90.0f, 0.0f, 0.0f}},
};
constexpr unsigned kFaceCells = 10;
constexpr float kFaceSide = 25.0f;
constexpr float kFaceHalf = 12.5f;

constexpr unsigned kSphereStacks = 180;
constexpr unsigned kSphereSlices = 180;
constexpr float kInitialColor = 0.2f;
constexpr float kBallScale = 0.014f;
constexpr float kOverlayScale = 0.021f;
// After the first overlay the solid ball stays at this scale.
constexpr float kBallScaleAfterOverlay = 0.02f;

constexpr float kStepFrequency = 0.24166098f;
constexpr float kPlasmaStepIncrement = 0.1f;
constexpr float kOverlayFadeRate = 3.0f;
constexpr float kStretchDivisor = 2.0f;
constexpr float kStretchRecovery = 4.0f; // seconds for the divisor to fall back from 2 to 1
constexpr float kFlashLength = 0.807f;


} // namespace

PlasmaBallInCubeScene::PlasmaBallInCubeScene(const float* timeValue) : AbstractSceneObject(timeValue)
{
    for (int f = 0; f < kFaceCount; ++f) {
        faces[f] = PrimitiveFactory::createPlane(kFaceCells, kFaceCells, kFaceSide, kFaceSide);
        const FacePlacement& placement = kFaces[f];
        faces[f]->setPosition(placement.position[0], placement.position[1], placement.position[2]);
        faces[f]->setRotation(placement.rotation[0], placement.rotation[1], placement.rotation[2]);
    }
}

PlasmaBallInCubeScene::~PlasmaBallInCubeScene()
{
    for (MeshObject* face : faces) {
        delete face;
    }
    delete fadeQuad;
}

bool PlasmaBallInCubeScene::load()
{
    fadeActive = false;
    fadeTime = 0.0f;
    wireActive = false;
    wireTime = 0.0f;
    stretchTime = 0.0f;

    delete fadeQuad;
    fadeQuad = PrimitiveFactory::createPlane(1, 1, 5.0f, 5.0f);
    fadeQuad->setPosition(-2.5f, -2.5f, -1.0f);

    if (plasmaSphere == nullptr) {
        plasmaSphere = PrimitiveFactory::createColoredSphere(kSphereStacks, kSphereSlices);
        objects.push_back(plasmaSphere);
        const float* vertices = plasmaSphere->getVertices();
        sphereRestVertices.assign(vertices, vertices + plasmaSphere->getVertexCount() * 3);
        // The edge list is made now, not in the frame that first needs it.
        plasmaSphere->setWireframe(MeshObject::Wireframe::UniqueEdges);
        plasmaSphere->setWireframe(MeshObject::Wireframe::Off);
    }
    float* colors = plasmaSphere->getColors();
    for (int i = 0; i < plasmaSphere->getColorCount() * 4; ++i) {
        colors[i] = kInitialColor;
    }
    plasmaSphere->setPosition(0.0f, 0.0f, -0.3f);
    plasmaSphere->setScale(kBallScale, kBallScale, kBallScale);

    events.clear();
    nextEvent = 0;
    for (const SyncEvent& event : kPlasmaBallInCubeFlashes) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kPlasmaBallInCubeWires) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kPlasmaBallInCubeSteps) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kPlasmaBallInCubeStretches) {
        addEvent(event.time, event.kind);
    }
    sortEvents();

    timeDivisor = 1.0f;
    plasmaStep = 1.0f;
    stretchActive = false;
    return true;
}

void PlasmaBallInCubeScene::start()
{
    gl::loadIdentity();
    gl::enable(GL_COLOR_MATERIAL);
    startTime = *timeValue;
    linePolygons = false; // the scene before leaves polygons filled
    gl::shadeModel(GL_SMOOTH);
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl::enable(GL_DEPTH_TEST);
    gl::enable(GL_NORMALIZE);
}

void PlasmaBallInCubeScene::applyEvent(int kind, float t)
{
    switch (kind) {
    case kPlasmaCubeFlash:
        fadeActive = true;
        fadeTime = t;
        break;
    case kPlasmaCubeWire:
        wireActive = true;
        wireTime = t;
        break;
    case kPlasmaCubeStep:
        plasmaStep += kPlasmaStepIncrement;
        break;
    case kPlasmaCubeStretch:
        stretchActive = true;
        stretchTime = t;
        break;
    default:
        break;
    }
}

void PlasmaBallInCubeScene::keyPressed(int key)
{
    if (key == KeyCode::kSpace) {
        applyEvent(kPlasmaCubeWire, *timeValue);
    }
}

void PlasmaBallInCubeScene::updateWallColors(float phase)
{
    const float u = phase;
    const float green = std::sin(u / 25.0f);
    const float blue = std::sin(2.0f * u / 25.0f);
    for (MeshObject* face : faces) {
        const float* vertices = face->getVertices();
        float* colors = face->getColors();
        const int count = faces[0]->getVertexCount();
        for (int i = 0; i < count; ++i) {
            const float f = vertices[i * 3] - kFaceHalf;
            const float g = vertices[i * 3 + 1] - kFaceHalf;
            float* color = colors + i * 4;
            color[0] = std::sin(2.0f * (f + u) / 25.0f);
            color[1] = (green + std::sin(g / 25.0f)) / 2.0f;
            color[2] = (blue + std::sin(2.0f * f / 25.0f)) / 2.0f;
            color[3] = 1.0f;
        }
    }
}

void PlasmaBallInCubeScene::displaceBall(float t)
{
    const float c = plasmaStep * kStepFrequency;
    const float a = timeDivisor;
    // The time factors of the seven waves, as the products they come from.
    const float w1 = 15.0f * 0.5f * t / a;
    const float w2 = 16.0f * 0.5f * t / a;
    const float w3 = 17.0f * 0.25f * t / a;
    const float w4 = 13.0f * 0.5f * t / a;
    const float w5 = 18.0f / 6.0f * t / a;
    const float w7 = 4.0f * t / a;
    const float* rest = sphereRestVertices.data();
    float* vertices = plasmaSphere->getVertices();
    float* colors = plasmaSphere->getColors();
    const int count = plasmaSphere->getVertexCount();
    // The sphere is laid out ring by ring and a ring shares its y, so the two waves in y alone are
    // computed once per ring.
    float ringY = NAN;
    float waveY2 = 0.0f;
    float waveY5 = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float x = rest[i * 3];
        const float y = rest[i * 3 + 1];
        const float z = rest[i * 3 + 2];
        if (!(y == ringY)) {
            ringY = y;
            waveY2 = std::sin((w2 + 8.0f * c * y) * 0.25f);
            waveY5 = std::sin((w5 + 8.0f * c * y) * 0.5f);
        }
        const float r = 4.0f + std::sin((8.0f * c * x + w1) * 0.5f) + waveY2 + std::cos((w3 + 8.0f * c * z) / 5.0f) +
                        std::cos((w4 + 8.0f * c * x) / 3.0f) + waveY5 + std::cos((w2 + 8.0f * c * z) * 0.5f) +
                        std::sin(w7 + 0.25f * x + 0.25f * c * y);
        vertices[i * 3] = r * x;
        vertices[i * 3 + 1] = r * y;
        vertices[i * 3 + 2] = r * z;
        plasmaColor(r, colors + i * 4);
    }
}

void PlasmaBallInCubeScene::invertBallColors(float alpha)
{
    float* colors = plasmaSphere->getColors();
    const int count = plasmaSphere->getColorCount();
    for (int i = 0; i < count; ++i) {
        float* color = colors + i * 4;
        color[0] = 1.0f - color[0];
        color[1] = 1.0f - color[1];
        color[2] = 1.0f - color[2];
        color[3] = alpha;
    }
}

void PlasmaBallInCubeScene::advance()
{
    const float t = *timeValue;
    if (const TimedEvent* event = takeDueEvent()) {
        applyEvent(event->kind, t);
    }
    facePhaseX = 10.0f * (t - startTime);
    facePhaseY = facePhaseX;
    updateWallColors(facePhaseX);
    displaceBall(t);
    if (stretchActive) {
        // Takes effect in the next frame's displacement.
        timeDivisor = kStretchDivisor - (t - stretchTime) / kStretchRecovery;
        if (timeDivisor < 1.0f) {
            timeDivisor = 1.0f;
            stretchActive = false;
        }
    }
}

void PlasmaBallInCubeScene::render()
{
    advance();
    const float t = *timeValue;

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::pushMatrix();
    gl::translatef(0.0f, 0.0f, -10.0f);
    gl::rotatef(15.0f * t, 1.0f, 1.0f, 1.0f);
    gl::color3f(1.0f, 1.0f, 1.0f);
    for (MeshObject* face : faces) {
        face->draw();
    }
    gl::popMatrix();

    gl::pushMatrix();
    plasmaSphere->setWireframe(linePolygons ? MeshObject::Wireframe::UniqueEdges : MeshObject::Wireframe::Off);
    plasmaSphere->draw();
    if (wireActive) {
        drawOverlay(t);
    }
    gl::popMatrix();

    if (fadeActive) {
        drawFlash(t);
    }
}

void PlasmaBallInCubeScene::drawOverlay(float t)
{
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    float alpha = 1.0f - kOverlayFadeRate * (t - wireTime);
    if (alpha < 0.0f) {
        // This last frame still draws the overlay, fully transparent.
        alpha = 0.0f;
        wireActive = false;
    }
    invertBallColors(alpha);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    plasmaSphere->setScale(kOverlayScale, kOverlayScale, kOverlayScale);
    // Blended, but the depth test (GL_LESS) turns back the second pass over an edge: each edge once.
    plasmaSphere->setWireframe(MeshObject::Wireframe::UniqueEdges);
    plasmaSphere->draw();
    plasmaSphere->setScale(kBallScaleAfterOverlay, kBallScaleAfterOverlay, kBallScaleAfterOverlay);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    linePolygons = false;
    gl::disable(GL_BLEND);
}

void PlasmaBallInCubeScene::drawFlash(float t)
{
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const float since = t - fadeTime;
    float alpha = 1.0f - since / kFlashLength;
    if (since > kFlashLength) {
        alpha = 0.0f;
        fadeActive = false;
    }
    float* colors = fadeQuad->getColors();
    for (int i = 0; i < fadeQuad->getColorCount(); ++i) {
        colors[i * 4 + 3] = alpha;
    }
    gl::loadIdentity();
    gl::pushMatrix();
    fadeQuad->draw();
    gl::popMatrix();
    gl::disable(GL_BLEND);
    // The walls and the ball turn to wireframe under the fading quad until the next overlay.
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    linePolygons = true;
}

void PlasmaBallInCubeScene::stop()
{
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_LIGHT0);
    gl::disable(GL_LIGHT2);
    gl::disable(GL_COLOR_MATERIAL);
    gl::disable(GL_NORMALIZE);
}
