#include "effects/scenes/CylinderPlaneScene.h"

#include "platform/KeyCode.h"

#include "effects/sync/CylinderPlaneSync.h"
#include "geometry/InstanceBatch.h"
#include "math/Matrix4.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr unsigned kRandomSeed = 1337; // the same marking pattern every run
constexpr float kPegOffset = 20.0f;    // centres the grid on the viewer
constexpr float kFogColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float kFogDensity = 0.08f;
constexpr float kFogStart = 130.0f;
constexpr float kFogEnd = 160.0f;
constexpr float kMarkedColor[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float kPegColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};

} // namespace

CylinderPlaneScene::CylinderPlaneScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

CylinderPlaneScene::~CylinderPlaneScene()
{
    for (int k = 0; k < kCellCount; ++k) {
        delete upperPegs[k].mesh;
        delete lowerPegs[k].mesh;
    }
}

bool CylinderPlaneScene::load()
{
    for (int k = 0; k < kCellCount; ++k) {
        const float column = static_cast<float>(k % kGridSize);
        const float row = static_cast<float>(k / kGridSize);
        delete upperPegs[k].mesh;
        delete lowerPegs[k].mesh;
        upperPegs[k] = {column - kPegOffset, kOpenHeight, row - kPegOffset,
                        PrimitiveFactory::createSeamedCylinder(15, 1, 0.3f, 1.0f)};
        lowerPegs[k] = {column - kPegOffset, -kOpenHeight, row - kPegOffset,
                        PrimitiveFactory::createSeamedCylinder(15, 1, 0.3f, 1.0f)};
        upperHeld[k] = 0;
        lowerHeld[k] = 0;
    }
    // Every peg is the same cylinder; the nearest are drawn first, so that the driver shades less of what they hide.
    pegBatch = std::make_unique<InstanceBatch>(*upperPegs[0].mesh, 2 * kCellCount, InstanceBatch::Primitives::Triangles,
                                               0, InstanceBatch::Order::NearestFirst);
    for (const SyncEvent& event : kCylinderPlaneEvents) {
        addEvent(event.time, event.kind);
    }
    sortEvents();
    return true;
}

void CylinderPlaneScene::start()
{
    startTime = *timeValue;
    // The first slam and the first marking are due together and fire on consecutive frames in
    // either order, so the pegs start as if slammed at the start.
    slamTime = startTime;
    std::srand(kRandomSeed);
    scrolled = 0.0f;
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::shadeModel(GL_FLAT);
    gl::enable(GL_DEPTH_TEST);
    gl::depthFunc(GL_LESS);
    gl::hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl::disable(GL_TEXTURE_2D);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_LIGHT0);
    gl::enable(GL_COLOR_MATERIAL);
    gl::fogi(GL_FOG_MODE, GL_EXP);
    gl::fogfv(GL_FOG_COLOR, kFogColor);
    gl::fogf(GL_FOG_DENSITY, kFogDensity);
    gl::hint(GL_FOG_HINT, GL_NICEST);
    gl::fogf(GL_FOG_START, kFogStart);
    gl::fogf(GL_FOG_END, kFogEnd);
    gl::enable(GL_FOG);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::color4f(1.0f, 1.0f, 1.0f, 1.0f);
    gl::loadIdentity();
}

void CylinderPlaneScene::render()
{
    const float now = *timeValue;
    if (const TimedEvent* event = takeDueEvent()) {
        if (event->kind == kSlamCue) {
            slam();
        } else if (event->kind == kMarkPegsCue) {
            markRandomPegs();
        }
    }
    const float elapsed = now - startTime;
    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::pushMatrix();

    const float roll = 30.0f * std::sin(elapsed) * std::cos(elapsed);
    gl::rotatef(elapsed, 0.0f, 1.0f, 0.0f);
    gl::rotatef(roll, 0.0f, 0.0f, 1.0f);
    position[2] = kFlightSpeed * elapsed;
    gl::translatef(position[0], position[1], position[2]);
    // The same view for the peg batch, which places the pegs through it (start leaves the identity below).
    float view[16];
    Matrix4::identity(view);
    Matrix4::rotate(view, elapsed, 0.0f, 1.0f, 0.0f);
    Matrix4::rotate(view, roll, 0.0f, 0.0f, 1.0f);
    Matrix4::translate(view, position[0], position[1], position[2]);
    if (pegBatch != nullptr) {
        pegBatch->setFrame(view);
    }

    const float light[4] = {3.0f * std::sin(elapsed), 0.0f, 3.0f * std::cos(now), 0.0f};
    gl::lightfv(GL_LIGHT0, GL_POSITION, light);

    updatePegs();
    drawPegs();
    gl::popMatrix();
}

void CylinderPlaneScene::stop()
{
    gl::disable(GL_DEPTH_TEST);
    gl::disable(GL_TEXTURE_2D);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_LIGHT0);
    gl::disable(GL_FOG);
}

void CylinderPlaneScene::keyPressed(int key)
{
    if (key == KeyCode::kSpace) {
        slam();
    } else if (key == KeyCode::kEnter) {
        markRandomPegs();
    }
}

unsigned CylinderPlaneScene::getPolygonCount()
{
    unsigned count = 0;
    for (int k = 0; k < kCellCount; ++k) {
        count += upperPegs[k].mesh != nullptr ? upperPegs[k].mesh->getPolygonCount() : 0;
        count += lowerPegs[k].mesh != nullptr ? lowerPegs[k].mesh->getPolygonCount() : 0;
    }
    return count;
}

void CylinderPlaneScene::slam() { slamTime = *timeValue; }

// Marks are only ever added here; scrolling alone takes them away.
void CylinderPlaneScene::markRandomPegs()
{
    for (int k = 0; k < kCellCount; ++k) {
        if (std::rand() % 5 == 0) {
            upperHeld[k] = 1;
        }
        if (std::rand() % 10 == 0) {
            lowerHeld[k] = 1;
        }
    }
}

void CylinderPlaneScene::updatePegs()
{
    const float now = *timeValue;
    const float sinceSlam = now - slamTime;
    const float up = std::min(kOpenHeight, kShutHeight + sinceSlam);
    const float down = std::max(-kOpenHeight, -kShutHeight - sinceSlam);

    // A slow frame leaves the grid behind by at most one row; it catches up over the next frames.
    if (kFlightSpeed * (now - startTime) - scrolled > 1.0f) {
        scrollOneRow();
    }

    for (int k = 0; k < kCellCount; ++k) {
        upperPegs[k].y = upperHeld[k] != 0 ? kShutHeight : up;
        lowerPegs[k].y = lowerHeld[k] != 0 ? -kShutHeight : down;
    }
}

// The grid jumps back one unit while the marks move one row nearer, so they stay put in the world;
// the nearest row's marks fall off and the far row comes in unmarked.
void CylinderPlaneScene::scrollOneRow()
{
    for (int k = 0; k < kCellCount; ++k) {
        upperPegs[k].z -= 1.0f;
        lowerPegs[k].z -= 1.0f;
    }
    for (int row = kGridSize - 1; row >= 1; --row) {
        std::copy_n(upperHeld.begin() + (row - 1) * kGridSize, kGridSize, upperHeld.begin() + row * kGridSize);
        std::copy_n(lowerHeld.begin() + (row - 1) * kGridSize, kGridSize, lowerHeld.begin() + row * kGridSize);
    }
    std::fill_n(upperHeld.begin(), kGridSize, 0);
    std::fill_n(lowerHeld.begin(), kGridSize, 0);
    scrolled += 1.0f;
}

void CylinderPlaneScene::drawPegs()
{
    if (pegBatch == nullptr) {
        return;
    }
    for (int k = 0; k < kCellCount; ++k) {
        const Peg& upper = upperPegs[k];
        const Peg& lower = lowerPegs[k];
        if (upper.mesh == nullptr || lower.mesh == nullptr) {
            continue;
        }
        upper.mesh->setPosition(upper.x, upper.y, upper.z);
        lower.mesh->setPosition(lower.x, lower.y, lower.z);
        pegBatch->addMesh(*upper.mesh, upperHeld[k] != 0 ? kMarkedColor : kPegColor);
        pegBatch->addMesh(*lower.mesh, lowerHeld[k] != 0 ? kMarkedColor : kPegColor);
    }
    pegBatch->draw();
}
