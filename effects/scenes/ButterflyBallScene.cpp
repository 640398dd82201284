#include "effects/scenes/ButterflyBallScene.h"

#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include "gl/GL.h"

#include <cmath>

namespace {

constexpr float kBallScale = 8.0f;
constexpr float kApproximatePi = 3.14f; // the wing phases were tuned with it, not with π
constexpr float kCameraSway = 4.0f;
constexpr float kCameraStart = 2.0f;
constexpr float kCameraSpeed = 5.0f; // units per second away from the ball's centre

} // namespace

ButterflyBallScene::ButterflyBallScene(const float* timeValue) : AbstractSceneObject(timeValue)
{
    camera.setPosition(0.0f, 0.0f, 30.0f);
}

bool ButterflyBallScene::load()
{
    setPosition(0.0f, 0.0f, -30.0f);
    setRotation(0.0f, 0.0f, 0.0f);
    for (GraphicsObject* object : objects) {
        delete object;
    }
    objects.clear();

    ball = PrimitiveFactory::createTexturedSphere(40, 40);
    ball->setPosition(0.0f, 0.0f, 0.0f);
    ball->setScale(kBallScale, kBallScale, kBallScale);
    objects.push_back(ball);

    const float* vertices = ball->getVertices();
    restVertices.assign(vertices, vertices + 3 * ball->getVertexCount());

    pairCount = static_cast<int>(ball->getPolygonCount() / 2);
    wingFactor.resize(static_cast<std::size_t>(pairCount));
    for (int j = 0; j < pairCount; ++j) {
        wingFactor[j] = 1.0f + 0.1f * std::sin(static_cast<float>(j) / 20.0f * 2.0f * kApproximatePi);
    }
    return true;
}

void ButterflyBallScene::start()
{
    gl::enable(GL_DEPTH_TEST);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_COLOR_MATERIAL);
    gl::enable(GL_BLEND);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::enable(GL_LIGHT0);
    gl::loadIdentity();
    startTime = *timeValue;
}

void ButterflyBallScene::render()
{
    const float now = *timeValue;
    gl::pushMatrix();
    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::loadIdentity();

    camera.setPosition(0.0f, 0.0f, kCameraSway * std::sin(now) + kCameraStart + kCameraSpeed * (now - startTime));
    float view[16];
    camera.getRotationMatrix(view);
    gl::multMatrixf(view);
    gl::translatef(-camera.position.x, -camera.position.y, -camera.position.z);

    gl::rotatef(15.0f * now, 1.0f, 0.0f, 0.0f);
    gl::rotatef(rotation[1], 0.0f, 2.0f, 0.0f);
    gl::rotatef(5.0f * now, 0.0f, 0.0f, 1.0f);

    animateBall(now);
    for (GraphicsObject* object : objects) {
        object->draw();
    }

    gl::color3f(1.0f, 1.0f, 1.0f);
    gl::pointSize(5.0f);
    gl::popMatrix();
}

void ButterflyBallScene::stop()
{
    gl::disable(GL_DEPTH_TEST);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_COLOR_MATERIAL);
    gl::disable(GL_BLEND);
    gl::disable(GL_LIGHT0);
}

// Both triangles of a pair scale by one factor about the centre, shrinking through zero and turning
// inside out while the sine is negative. Colours below zero are clamped by GL: each triangle goes
// dark for part of its cycle.
void ButterflyBallScene::animateBall(float now)
{
    if (ball == nullptr) {
        return;
    }
    float* colors = ball->getColors();
    float* vertices = ball->getVertices();
    const float* rest = restVertices.data();
    const int triangleCount = 2 * pairCount;
    for (int i = 0; i < triangleCount; ++i) {
        const float index = static_cast<float>(i);
        const float red = std::sin(now + 0.5f * index);
        const float green = std::sin(now + 0.25f * index);
        const float blue = std::sin(now + index / 5.0f);
        float* color = colors + 12 * i;
        for (int v = 0; v < 3; ++v) {
            color[4 * v + 0] = red;
            color[4 * v + 1] = green;
            color[4 * v + 2] = blue;
        }
    }
    for (int j = 0; j < pairCount; ++j) {
        const float factor = std::sin(static_cast<float>(j) + now) * wingFactor[j];
        // A pair is 2 triangles × 3 vertices × 3 coordinates.
        for (int c = 18 * j; c < 18 * (j + 1); ++c) {
            vertices[c] = rest[c] * factor;
        }
    }
}
