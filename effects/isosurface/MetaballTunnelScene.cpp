#include "effects/isosurface/MetaballTunnelScene.h"

#include "platform/KeyCode.h"

#include "effects/sync/MetaballTunnelSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <cmath>
#include <cstdio>

namespace {

struct BallSpeeds {
    float speed[3];
    float kickSpeed[3];
    float baseSpeed[3];
};

// Radians per second, per ball.
constexpr BallSpeeds kBallSpeeds[MetaballTunnelScene::kBallCount] = {
    {{1.0f, 0.6f, 0.0f}, {11.0f, 12.2f, 10.2f}, {1.0f, 0.9f, 0.6f}},
    {{1.1f, 1.1f, 0.0f}, {9.2f, 8.5f, 9.5f}, {1.1f, 1.2f, 1.1f}},
    {{0.9f, 1.9f, 0.0f}, {12.8f, 8.6f, 5.6f}, {0.9f, 1.3f, 1.9f}},
    {{1.3f, 0.3f, 0.0f}, {8.2f, 12.4f, 11.4f}, {1.3f, 0.7f, 0.3f}},
    {{0.8f, 0.7f, 0.0f}, {4.5f, 11.2f, 10.2f}, {0.8f, 0.9f, 0.7f}},
    {{1.2f, 0.3f, 0.0f}, {14.8f, 13.9f, 5.9f}, {1.2f, 0.8f, 0.3f}},
    {{0.8f, 1.0f, 0.0f}, {12.3f, 13.1f, 7.1f}, {0.8f, 1.3f, 1.0f}},
    {{1.0f, 1.1f, 0.0f}, {11.6f, 14.2f, 9.2f}, {1.0f, 1.5f, 1.1f}},
};

// Each ball's path: x follows phase 0 and y phase 1, each through a sine or a cosine times a scale.
struct BallPath {
    float xScale;
    bool xSine;
    float yScale;
    bool ySine;
};

constexpr BallPath kBallPaths[MetaballTunnelScene::kBallCount] = {
    {-0.3f, false, 0.3f, true}, {0.4f, true, 0.4f, false},  {-0.2f, false, 0.2f, true}, {-0.5f, true, 0.3f, true},
    {-0.2f, false, 0.6f, false}, {-0.8f, false, 0.3f, true}, {-0.5f, true, 0.7f, false}, {-0.9f, false, 0.4f, true},
};

// The balls sit on the grid's back face, so each shows as the front half of its blob.
constexpr float kBallDepth = -1.0f;
constexpr float kRestStrength = 0.1f;
constexpr float kPulseStrength = 0.15f;
constexpr float kPulseShrinkTime = 3.0f; // strength lost per second is 1 / this
constexpr float kKickDeceleration = 50.0f;
constexpr float kFlashFadeRate = 10.0f;


} // namespace

MetaballTunnelScene::MetaballTunnelScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

MetaballTunnelScene::~MetaballTunnelScene() { delete flashQuad; }

bool MetaballTunnelScene::load()
{
    lastElapsed = 0.0f;
    pulseActive = false;
    pulseTime = 0.0f;
    flashActive = false;
    kickTime = 0.0f;
    grid.gridSize = kGridSize;
    kickActive = 0.0f;
    flashTime = 0.0f;

    balls.clear();
    balls.reserve(kBallCount);
    for (int j = 0; j < kBallCount; ++j) {
        Metaball ball;
        ball.strength = kRestStrength;
        const float angle = static_cast<float>(j) * 0.7853982f;
        ball.position[0] = std::cos(angle);
        ball.position[1] = std::sin(angle);
        ball.position[2] = kBallDepth;
        for (int a = 0; a < 3; ++a) {
            ball.speed[a] = kBallSpeeds[j].speed[a];
            ball.kickSpeed[a] = kBallSpeeds[j].kickSpeed[a];
            ball.baseSpeed[a] = kBallSpeeds[j].baseSpeed[a];
        }
        balls.push_back(ball);
    }

    delete flashQuad;
    flashQuad = PrimitiveFactory::createPlane(1, 1, 5.0f, 5.0f);
    flashQuad->setPosition(-2.5f, -2.5f, -1.0f);

    grid.colorByDistance = true;
    grid.buildGrid();

    events.clear();
    nextEvent = 0;
    for (const SyncEvent& event : kMetaballTunnelPulses) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kMetaballTunnelKicks) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kMetaballTunnelFlashes) {
        addEvent(event.time, event.kind);
    }
    // A pulse and a kick due together fire on consecutive frames, in whichever order the sort leaves them.
    sortEvents();
    return true;
}

void MetaballTunnelScene::start()
{
    startTime = *timeValue;
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::disable(GL_COLOR_MATERIAL);
    gl::shadeModel(GL_SMOOTH);
    gl::enable(GL_DEPTH_TEST);
    gl::depthFunc(GL_LESS);
    gl::hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl::enable(GL_TEXTURE_2D);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::texGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl::texGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl::enable(GL_NORMALIZE);
    gl::loadIdentity();
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("spheremap.png"));
}

void MetaballTunnelScene::applyEvent(int kind, float t)
{
    switch (kind) {
    case kMetaballKick:
        kickTime = t;
        kickActive = 1.0f;
        break;
    case kMetaballPulse:
        pulseActive = true;
        pulseTime = t;
        break;
    case kMetaballFlash:
        std::printf("flash\n");
        flashTime = t;
        flashActive = true;
        break;
    default:
        break;
    }
}

void MetaballTunnelScene::keyPressed(int key)
{
    const float t = *timeValue;
    if (key == KeyCode::kSpace) {
        applyEvent(kMetaballPulse, t);
    } else if (key == KeyCode::kEnter) {
        applyEvent(kMetaballKick, t);
    } else if (key == KeyCode::letter('Q')) {
        applyEvent(kMetaballFlash, t);
    }
}

unsigned MetaballTunnelScene::getPolygonCount() { return static_cast<unsigned>(grid.triangleCount); }

void MetaballTunnelScene::advanceBalls(float t)
{
    const float elapsed = t - startTime;
    const float dt = elapsed - lastElapsed;
    lastElapsed = elapsed;

    if (kickActive != 0.0f) {
        const float lost = kKickDeceleration * (t - kickTime);
        for (Metaball& ball : balls) {
            for (int a = 0; a < 3; ++a) {
                ball.speed[a] = ball.kickSpeed[a] - lost;
                if (ball.baseSpeed[a] > ball.speed[a]) {
                    ball.speed[a] = ball.baseSpeed[a];
                }
            }
        }
    }
    for (Metaball& ball : balls) {
        ball.phase[0] += ball.speed[0] * dt;
        ball.phase[1] += ball.speed[1] * dt + ball.speed[2] * dt;
    }
    if (pulseActive) {
        float strength = kPulseStrength - (t - pulseTime) / kPulseShrinkTime;
        if (strength < kRestStrength) {
            pulseActive = false;
            strength = kRestStrength;
        }
        for (Metaball& ball : balls) {
            ball.strength = strength;
        }
    }
    for (std::size_t j = 0; j < balls.size() && j < static_cast<std::size_t>(kBallCount); ++j) {
        Metaball& ball = balls[j];
        const BallPath& path = kBallPaths[j];
        ball.position[0] = path.xScale * (path.xSine ? std::sin(ball.phase[0]) : std::cos(ball.phase[0]));
        ball.position[1] = path.yScale * (path.ySine ? std::sin(ball.phase[1]) : std::cos(ball.phase[1]));
        ball.position[2] = kBallDepth;
    }
}

void MetaballTunnelScene::updateField()
{
    grid.evaluateField(balls.data(), static_cast<int>(balls.size()));
    grid.computeNormals();
}

void MetaballTunnelScene::render()
{
    const float t = *timeValue;
    if (const TimedEvent* event = takeDueEvent()) {
        applyEvent(event->kind, t);
    }
    advanceBalls(t);

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::loadIdentity();
    gl::translatef(0.0f, 0.0f, -2.5f);
    gl::enable(GL_TEXTURE_2D);
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("spheremap.png"));
    gl::enable(GL_TEXTURE_GEN_S);
    gl::enable(GL_TEXTURE_GEN_T);
    gl::rotatef(t / 30.0f, 0.0f, 0.0f, 1.0f);

    grid.triangleCount = 0;
    updateField();
    grid.polygonize();

    if (flashActive) {
        drawFlash(t);
    }
}

void MetaballTunnelScene::drawFlash(float t)
{
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float alpha = 1.0f - kFlashFadeRate * (t - flashTime);
    if (alpha < 0.0f) {
        flashActive = false;
        gl::disable(GL_BLEND);
        return;
    }
    float* colors = flashQuad->getColors();
    for (int i = 0; i < flashQuad->getColorCount(); ++i) {
        colors[i * 4 + 3] = alpha;
    }
    gl::loadIdentity();
    gl::pushMatrix();
    flashQuad->draw();
    gl::popMatrix();
    gl::disable(GL_BLEND);
}

void MetaballTunnelScene::stop()
{
    gl::disable(GL_DEPTH_TEST);
    gl::disable(GL_TEXTURE_2D);
    gl::disable(GL_TEXTURE_GEN_S);
    gl::disable(GL_TEXTURE_GEN_T);
    gl::disable(GL_NORMALIZE);
}
