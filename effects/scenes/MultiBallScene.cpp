#include "effects/scenes/MultiBallScene.h"

#include "platform/KeyCode.h"

#include "geometry/InstanceBatch.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

#include <cmath>

namespace {

constexpr float kClearColor[4] = {0.0f, 0.0f, 0.3f, 1.0f};
constexpr float kAmbient[4] = {2.2f, 2.2f, 2.2f, 2.2f};
constexpr float kBallScale = 0.05f;
constexpr float kViewDistance = 30.0f;
constexpr float kTumbleSpeed = 10.0f; // degrees per second about each axis

} // namespace

MultiBallScene::MultiBallScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

MultiBallScene::~MultiBallScene() = default;

bool MultiBallScene::load()
{
    shapeMeshes[0].reset(PrimitiveFactory::createColoredSphere(47, 72));
    shapeMeshes[1].reset(PrimitiveFactory::createCone(1.0f, 2.0f));
    shapeMeshes[2].reset(PrimitiveFactory::createCylinder(72, 45, 1.0f, 2.0f));
    shapeMeshes[3].reset(PrimitiveFactory::createPointCube(1.0f));
    shapeSphere = shapeMeshes[0]->getVertices();
    shapeCone = shapeMeshes[1]->getVertices();
    shapeCylinder = shapeMeshes[2]->getVertices();
    shapeCube = shapeMeshes[3]->getVertices();
    ballCount = static_cast<unsigned>(shapeMeshes[0]->getVertexCount());

    objects.reserve(objects.size() + ballCount);
    for (unsigned k = 0; k < ballCount; ++k) {
        MeshObject* ball = PrimitiveFactory::createTexturedSphere(4, 6);
        const float* vertex = shapeSphere + 3 * k;
        ball->setPosition(kShapeScale * vertex[0], kShapeScale * vertex[1], kShapeScale * vertex[2]);
        ball->setScale(kBallScale, kBallScale, kBallScale);
        objects.push_back(ball);
    }
    if (ballCount > 0) {
        // Every ball is the same sphere, so the last one made stands for them all.
        balls = std::make_unique<InstanceBatch>(*static_cast<MeshObject*>(objects.back()), ballCount,
                                                InstanceBatch::Primitives::UniqueEdges);
    }

    morphIndex = 0;
    for (int step = 0; step < kMorphStepCount; ++step) {
        morphFrom[step] = shapeVertices(kMorphTable[step].from);
        morphTo[step] = shapeVertices(kMorphTable[step].to);
    }

    for (const SyncEvent& event : kMultiBallEvents) {
        addEvent(event.time, event.kind);
    }
    sortEvents();

    lightPosition[0] = -7.0f;
    lightPosition[1] = -2.5f;
    lightPosition[2] = 10.0f;
    lightPosition[3] = 1.0f;
    return true;
}

void MultiBallScene::start()
{
    gl::clearColor(kClearColor[0], kClearColor[1], kClearColor[2], kClearColor[3]);
    gl::enable(GL_DEPTH_TEST);
    gl::depthFunc(GL_LESS);
    gl::loadIdentity();
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::lightModelfv(GL_LIGHT_MODEL_AMBIENT, kAmbient);
    gl::enable(GL_LIGHTING);
    gl::lightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    gl::enable(GL_LIGHT0);
}

void MultiBallScene::render()
{
    const float now = *timeValue;
    if (const TimedEvent* event = takeDueEvent()) {
        if (event->kind == kMorphCue) {
            nextMorph();
        }
    }
    if (morphActive) {
        morphStep(kMorphDuration, now - morphStart);
    }

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::pushMatrix();

    lightPosition[0] = 9.0f * std::sin(now / 1000.0f);
    lightPosition[1] = 5.0f * std::sin(now / 800.0f) + 3.0f * std::cos(now / 450.0f);
    lightPosition[2] = 4.0f * std::cos(now / 600.0f) + 10.0f;
    gl::lightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    gl::enable(GL_LIGHTING);

    gl::translatef(0.0f, 0.0f, -kViewDistance);
    const float angle = kTumbleSpeed * now;
    gl::rotatef(angle, 1.0f, 0.0f, 0.0f);
    gl::rotatef(angle, 0.0f, 1.0f, 0.0f);
    gl::rotatef(angle, 0.0f, 0.0f, 1.0f);
    if (balls != nullptr) {
        for (GraphicsObject* ball : objects) {
            balls->addMesh(*static_cast<MeshObject*>(ball), nullptr);
        }
        balls->draw();
    }
    gl::popMatrix();
}

void MultiBallScene::stop() {}

void MultiBallScene::keyPressed(int key)
{
    if (key == KeyCode::kSpace) {
        nextMorph();
    }
}

// Triggers beyond the table (possible only after early Space presses) leave the balls where they are.
void MultiBallScene::nextMorph()
{
    if (morphIndex >= kMorphStepCount) {
        return;
    }
    morphSource = morphFrom[morphIndex];
    morphTarget = morphTo[morphIndex];
    morphActive = true;
    morphStart = *timeValue;
    ++morphIndex;
}

void MultiBallScene::morphStep(float duration, float elapsed)
{
    if (morphSource == nullptr || morphTarget == nullptr) {
        return;
    }
    if (elapsed >= duration) {
        // The last step lands exactly on the target (a lerp at f = 1 can miss it by a rounding);
        // the balls then rest there until the next morph.
        for (unsigned k = 0; k < ballCount; ++k) {
            const float* target = morphTarget + 3 * k;
            objects[k]->setPosition(kShapeScale * target[0], kShapeScale * target[1], kShapeScale * target[2]);
        }
        morphActive = false;
        return;
    }
    const float f = elapsed / duration;
    for (unsigned k = 0; k < ballCount; ++k) {
        const float* source = morphSource + 3 * k;
        const float* target = morphTarget + 3 * k;
        objects[k]->setPosition(kShapeScale * (source[0] + (target[0] - source[0]) * f),
                                kShapeScale * (source[1] + (target[1] - source[1]) * f),
                                kShapeScale * (source[2] + (target[2] - source[2]) * f));
    }
}

const float* MultiBallScene::shapeVertices(MorphShape shape) const
{
    switch (shape) {
    case MorphShape::Sphere:
        return shapeSphere;
    case MorphShape::Cube:
        return shapeCube;
    case MorphShape::Cylinder:
        return shapeCylinder;
    case MorphShape::Cone:
        return shapeCone;
    }
    return nullptr;
}

Vector3 MultiBallScene::ballPosition(int ball) const { return objects.at(static_cast<unsigned>(ball))->getPosition(); }
