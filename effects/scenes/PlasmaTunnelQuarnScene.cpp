#include "effects/scenes/PlasmaTunnelQuarnScene.h"

#include "platform/KeyCode.h"

#include "effects/scenes/CylinderDrawWindow.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr unsigned kTubeSlices = 160;
constexpr int kTubeStacks = 15000;
constexpr float kTubeRadius = 1.0f;
constexpr float kTubeLength = 1800.0f;
// 40 stacks of 320 triangles are drawn; the window moves half a stack per step.
constexpr int kWindowFirst = 80;
constexpr unsigned kWindowCount = 12800;
constexpr int kWindowStepTriangles = 160;
constexpr float kWindowStep = 0.12f;
constexpr float kDriftSpeed = 0.2f; // units per second

} // namespace

PlasmaTunnelQuarnScene::PlasmaTunnelQuarnScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

PlasmaTunnelQuarnScene::~PlasmaTunnelQuarnScene() = default;

bool PlasmaTunnelQuarnScene::load()
{
    tube.reset(PrimitiveFactory::createSeamedCylinder(kTubeSlices, kTubeStacks, kTubeRadius, kTubeLength));
    // Lays the tube's axis along the view axis.
    tube->setRotation(90.0f, 0.0f, 0.0f);
    // setDrawRange overwrites the mesh's own count, so the whole tube's is kept here.
    tubeTriangleCount = tube->getPolygonCount();
    window = std::make_unique<CylinderDrawWindow>(kWindowFirst, kWindowCount, kWindowStepTriangles, kWindowStep,
                                                  tubeTriangleCount);
    window->applyTo(*tube);
    // Left uninitialised: extendRestCopy fills it ahead of every boil.
    tubeRestVertices.reset(new float[std::size_t{3} * static_cast<std::size_t>(tube->getVertexCount())]);
    restVertexEnd = 0;
    restIndexEnd = 0;
    return true;
}

void PlasmaTunnelQuarnScene::extendRestCopy(std::size_t indexEnd)
{
    const std::uint32_t* indices = tube->getIndices();
    std::size_t vertexEnd = restVertexEnd;
    for (; restIndexEnd < indexEnd; ++restIndexEnd) {
        vertexEnd = std::max(vertexEnd, std::size_t{indices[restIndexEnd]} + 1);
    }
    if (vertexEnd > restVertexEnd) {
        std::memcpy(tubeRestVertices.get() + 3 * restVertexEnd, tube->getVertices() + 3 * restVertexEnd,
                    3 * (vertexEnd - restVertexEnd) * sizeof(float));
        restVertexEnd = vertexEnd;
    }
}

void PlasmaTunnelQuarnScene::start()
{
    gl::texGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    gl::texGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl::enable(GL_LIGHT0);
    const GLfloat light[4] = {3.0f, 0.0f, 5.0f, 0.0f};
    gl::lightfv(GL_LIGHT0, GL_POSITION, light);
    gl::enable(GL_COLOR_MATERIAL);
    gl::color3f(1.0f, 1.0f, 1.0f);
    gl::disable(GL_CULL_FACE);
    gl::enable(GL_DEPTH_TEST);
    gl::loadIdentity();
    startTime = *timeValue;
    // Lighting stays as the previous tunnel left it.
}

// The state set in start is left for the next scene.
void PlasmaTunnelQuarnScene::stop() {}

void PlasmaTunnelQuarnScene::keyPressed(int key)
{
    if (key == KeyCode::kSpace) {
        // At the tube's end the window stays on its last triangles.
        window->stepForward();
        window->applyTo(*tube);
    }
}

void PlasmaTunnelQuarnScene::boilWall(float* vertices, const float* restVertices, const std::uint32_t* indices,
                                      std::size_t indexCount, int windowFirst, unsigned windowCount, float now)
{
    if (indexCount < 3) {
        return;
    }
    const float waveU = std::cos(3.0f * now);
    const float waveV = std::cos(6.0f * now);
    const float waveW = std::sin(4.0f * now);
    const std::size_t first = std::size_t{3} * static_cast<std::size_t>(windowFirst);
    // Consecutive runs overlap: every index position starts one, up to and including the window's end.
    const std::size_t last = std::min(first + std::size_t{3} * windowCount, indexCount - 3);
    for (std::size_t p = first; p <= last; ++p) {
        const float s = std::sin(static_cast<float>(p));
        float* u = vertices + std::size_t{3} * indices[p];
        float* v = vertices + std::size_t{3} * indices[p + 1];
        float* w = vertices + std::size_t{3} * indices[p + 2];
        const float fu = 1.0f + waveU * std::sin(u[0]) * std::sin(u[1]) * s;
        const float fv = 1.0f + waveV * std::sin(v[0]) * std::sin(v[2]) * s;
        const float fw = 1.0f + waveW * std::sin(w[0]) * std::sin(w[1]) * s;
        const float* restU = restVertices + std::size_t{3} * indices[p];
        const float* restV = restVertices + std::size_t{3} * indices[p + 1];
        const float* restW = restVertices + std::size_t{3} * indices[p + 2];
        // Along the tube (y) nothing moves; a corner shared by several runs keeps the last write.
        u[0] = restU[0] * fu;
        u[2] = restU[2] * fu;
        v[0] = restV[0] * fv;
        v[2] = restV[2] * fv;
        w[0] = restW[0] * fw;
        w[2] = restW[2] * fw;
    }
}

void PlasmaTunnelQuarnScene::boil()
{
    const std::size_t indexCount = std::size_t{3} * tubeTriangleCount;
    if (indexCount < 3) {
        return;
    }
    // The boil reads index positions up to its last run's start plus two.
    const std::size_t lastRun = std::min(std::size_t{3} * (static_cast<std::size_t>(window->first()) + window->count()),
                                         indexCount - 3);
    extendRestCopy(lastRun + 3);
    boilWall(tube->getVertices(), tubeRestVertices.get(), tube->getIndices(),
             std::size_t{3} * tubeTriangleCount, window->first(), window->count(), *timeValue);
}

void PlasmaTunnelQuarnScene::render()
{
    const float now = *timeValue;
    const float travel = kDriftSpeed * (now - startTime);
    window->follow(travel);
    window->applyTo(*tube);
    // A directional light whose direction turns with the time value.
    const GLfloat light[4] = {3.0f, -now, 5.0f, 0.0f};
    gl::lightfv(GL_LIGHT0, GL_POSITION, light);
    boil();

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::pushMatrix();
    gl::enable(GL_TEXTURE_2D);
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("spheremap.png"));
    gl::enable(GL_TEXTURE_GEN_S);
    gl::enable(GL_TEXTURE_GEN_T);
    gl::translatef(0.0f, 0.0f, travel - kTubeLength / 2.0f);
    tube->draw();
    gl::popMatrix();
}
