#include "effects/scenes/MultiCylinderTunnelScene.h"

#include "platform/KeyCode.h"

#include "effects/scenes/CylinderDrawWindow.h"
#include "effects/scenes/FadeQuad.h"
#include "effects/sync/MultiCylinderTunnelSync.h"
#include "math/Matrix4.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kBundleRadius = 3.0f;
constexpr unsigned kTubeSlices = 30;
constexpr unsigned kTubeStacks = 15000;
constexpr float kTubeRadius = 0.1f;
constexpr float kTubeLength = 1800.0f;
// 200 stacks of 60 triangles are drawn; one stack is 0.12 long.
constexpr int kWindowFirst = 60;
constexpr unsigned kWindowCount = 12000;
constexpr int kWindowStepTriangles = 60;
constexpr float kWindowStep = 0.12f;
constexpr float kFlightSpeed = 4.2f;   // units per second
constexpr float kSpinPerSecond = 20.0f; // degrees about the flight axis
constexpr float kZoomStart = 3.0f;
constexpr float kZoomShrinkPerSecond = 20.0f;
constexpr float kFadeOutLength = 1.2f;
constexpr float kFlashLength = 2.2f;

} // namespace

MultiCylinderTunnelScene::MultiCylinderTunnelScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

MultiCylinderTunnelScene::~MultiCylinderTunnelScene() = default;

void MultiCylinderTunnelScene::shapeHorn(float* vertices, int vertexCount)
{
    for (int v = 0; v < vertexCount; ++v) {
        const float f = static_cast<float>(3 * v - 1);
        const float m1 = 2.0f + std::sin(f / 21.0f) * std::sin(f / 20.0f) * std::cos(f / 45.0f);
        const float m2 = 2.0f + std::sin(f / 41.0f) * std::cos(f / 30.0f) * std::cos(f / 50.0f);
        float* vertex = vertices + std::size_t{3} * static_cast<std::size_t>(v);
        vertex[0] = vertex[0] * m1 * static_cast<float>(3 * v) / 40000.0f;
        vertex[2] = vertex[2] * m2 * static_cast<float>(3 * v + 2) / 40000.0f;
    }
}

bool MultiCylinderTunnelScene::load()
{
    for (int i = 0; i < kTubeCount; ++i) {
        const float angle = static_cast<float>(i) * kPi / 6.0f;
        tubeX[i] = kBundleRadius * std::cos(angle);
        tubeY[i] = kBundleRadius * std::sin(angle);
    }
    tube.reset(PrimitiveFactory::createCylinder(kTubeSlices, kTubeStacks, kTubeRadius, kTubeLength));
    // Turns the cylinder's axis onto the view axis.
    tube->setRotation(90.0f, 0.0f, 0.0f);
    tube->setTexture(TextureTable::instance().findTexture("spheremap.png"));
    window = std::make_unique<CylinderDrawWindow>(kWindowFirst, kWindowCount, kWindowStepTriangles, kWindowStep,
                                                  tube->getPolygonCount());
    window->applyTo(*tube);
    shapeHorn(tube->getVertices(), tube->getVertexCount());
    // From here on only the draw range moves along the tube.
    tube->makeResident();
    // Finds the tube's neighbouring triangles now rather than in the first frame.
    tube->setWireframe(MeshObject::Wireframe::FacingEdges);

    fadeOutActive = false;
    fadeQuad = std::make_unique<FadeQuad>();

    const auto append = [this](const auto& table) {
        for (const SyncEvent& event : table) {
            addEvent(event.time, event.kind);
        }
    };
    append(kMultiCylinderTunnelFadeOuts);
    append(kMultiCylinderTunnelPulses);
    append(kMultiCylinderTunnelZooms);
    append(kMultiCylinderTunnelFlashes);
    sortEvents();

    pulseActive = zoomActive = flashActive = false;
    gl::lineWidth(2.0f);
    gl::enable(GL_LINE_SMOOTH);
    // The scene opens by continuing the intro's fade to white.
    fadeInActive = true;
    return true;
}

void MultiCylinderTunnelScene::start()
{
    zoomScale = 0.0f;
    gl::enable(GL_CULL_FACE);
    gl::enable(GL_DEPTH_TEST);
    gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl::loadIdentity();
    gl::color4f(1.0f, 1.0f, 1.0f, 1.0f);
    const GLfloat fogColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    gl::fogi(GL_FOG_MODE, GL_EXP);
    gl::fogfv(GL_FOG_COLOR, fogColor);
    gl::fogf(GL_FOG_DENSITY, 0.08f);
    gl::hint(GL_FOG_HINT, GL_NICEST);
    gl::fogf(GL_FOG_START, 130.0f);
    gl::fogf(GL_FOG_END, 160.0f);
    gl::enable(GL_FOG);
    startTime = *timeValue;
}

void MultiCylinderTunnelScene::stop()
{
    gl::disable(GL_CULL_FACE);
    gl::disable(GL_TEXTURE_GEN_S);
    gl::disable(GL_TEXTURE_GEN_T);
    gl::disable(GL_DEPTH_TEST);
    gl::disable(GL_FOG);
}

void MultiCylinderTunnelScene::keyPressed(int key)
{
    const float now = *timeValue;
    if (key == KeyCode::kSpace) {
        act(static_cast<int>(MultiCylinderTunnelCue::Pulse), now);
    } else if (key == KeyCode::kEnter) {
        act(static_cast<int>(MultiCylinderTunnelCue::Zoom), now);
    }
}

void MultiCylinderTunnelScene::act(int kind, float now)
{
    switch (static_cast<MultiCylinderTunnelCue>(kind)) {
    case MultiCylinderTunnelCue::FadeOut:
        fadeOutActive = true;
        fadeOutTime = now;
        break;
    case MultiCylinderTunnelCue::Pulse:
        pulseActive = true;
        pulseTime = now;
        break;
    case MultiCylinderTunnelCue::Zoom:
        zoomActive = true;
        zoomTime = now;
        break;
    case MultiCylinderTunnelCue::Flash:
        flashActive = true;
        flashTime = now;
        break;
    }
}

void MultiCylinderTunnelScene::drawTubes()
{
    for (int i = 0; i < kTubeCount; ++i) {
        tube->setPosition(tubeX[i], tubeY[i], 0.0f);
        tube->draw();
    }
}

float MultiCylinderTunnelScene::advance()
{
    const float now = *timeValue;
    const float travel = (now - startTime) * kFlightSpeed;
    if (const TimedEvent* event = takeDueEvent()) {
        act(event->kind, now);
    }
    if (pulseActive) {
        const float elapsed = now - pulseTime;
        if (elapsed < 1.0f) {
            tube->setScale(2.0f - elapsed, 1.0f, 2.0f - elapsed);
        } else {
            pulseActive = false; // the tubes keep the scale of the last pulse frame
        }
    }
    window->follow(travel);
    window->applyTo(*tube);
    return travel;
}

void MultiCylinderTunnelScene::render()
{
    const float now = *timeValue;
    gl::texGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl::texGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    const float travel = advance();
    if (pulseActive) {
        gl::color3f(1.0f, 1.0f - (now - pulseTime), 0.0f);
    }

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The view is kept on the processor too: the wireframe pass finds there which faces the eye sees.
    float view[16];
    Matrix4::identity(view);
    if (zoomActive) {
        zoomScale = kZoomStart - kZoomShrinkPerSecond * (now - zoomTime);
        if (zoomScale < 1.0f) {
            zoomScale = 1.0f;
            zoomActive = false;
        }
        Matrix4::scale(view, zoomScale, zoomScale, zoomScale);
    }
    Matrix4::translate(view, 0.0f, 0.0f, travel - kTubeLength / 2.0f);
    Matrix4::rotate(view, kSpinPerSecond * now, 0.0f, 0.0f, 1.0f);
    gl::pushMatrix();
    gl::multMatrixf(view);
    tube->setViewFrame(view);
    gl::enable(GL_TEXTURE_2D);
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("spheremap.png"));
    gl::enable(GL_TEXTURE_GEN_S);
    gl::enable(GL_TEXTURE_GEN_T);
    // Outside a pulse the filled tubes take the colour the previous frame left current.
    tube->setWireframe(MeshObject::Wireframe::Off);
    drawTubes();
    gl::disable(GL_TEXTURE_GEN_S);
    gl::disable(GL_TEXTURE_GEN_T);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (!pulseActive) {
        gl::color3f(1.0f, 0.0f, 1.0f);
    }
    tube->setWireframe(MeshObject::Wireframe::FacingEdges);
    drawTubes();
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::disable(GL_TEXTURE_2D);
    gl::popMatrix();

    if (fadeOutActive) {
        fadeQuad->draw(std::min(1.0f, (now - fadeOutTime) / kFadeOutLength));
    }
    if (fadeInActive) {
        float alpha = 1.0f - (now - startTime);
        if (alpha < 0.0f) {
            alpha = 0.0f;
            fadeInActive = false;
        }
        fadeQuad->draw(alpha);
    }
    if (flashActive) {
        float alpha = 1.0f - (now - flashTime) / kFlashLength;
        if (alpha < 0.0f) {
            alpha = 0.0f;
            flashActive = false;
        }
        fadeQuad->draw(alpha);
    }
}
