#include "effects/scenes/RainBallScene.h"

#include "platform/KeyCode.h"

#include "effects/scenes/FadeQuad.h"
#include "effects/sync/RainBallSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

constexpr float kTwoPi = 6.2831853f;
// The clock holds −1 while the loader runs; seeding with that constant plays the same intro every run.
constexpr unsigned kLandingSeed = static_cast<unsigned>(-1);
constexpr float kBallScale = 4.1f;
constexpr float kGlideEnd = 8.512f;             // the ball has glided into place and its tilt is gone
constexpr float kTiltPerSecond = 10.573308f;    // 90 degrees over kGlideEnd
constexpr float kSpinPerSecond = 10.0f;         // degrees about (1, 1, 0)
constexpr float kRingFadeEnd = 13.563f;         // the ring is opaque from here
constexpr float kRingFadeLength = 5.051f;
constexpr float kSpikeSpacing = 32.727272f;     // 360 / 11 degrees
constexpr float kSpikeDistance = 6.6f;
constexpr float kLogoFadeRate = 0.28234467f;    // alpha per second
constexpr float kRippleLength = 3.0f;
constexpr float kRippleAmplitude = 1.2f * 1.5f * 1.1f * 0.5f;
constexpr float kBurstFadeLength = 1.55f;
constexpr int kLogoStripCount = 250;
constexpr float kLogoWidth = 80.0f;
constexpr float kLogoHeight = 20.6f;
constexpr float kLogoPosition[3] = {-56.0f, -12.6f, -60.0f};
constexpr float kLogoScale = 1.4f;
constexpr GLfloat kLightPosition[4] = {-5.7f, 1.3f, -30.0f, 1.0f};

void fillScatterDirections(std::vector<Vector3>& directions, int count)
{
    directions.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const float t = static_cast<float>(k) / 10.0f;
        directions[static_cast<std::size_t>(k)] = {std::cos(t / 3.0f) * std::sin(t / 2.0f),
                                                   std::cos(t / 4.0f) * std::cos(t / 3.0f),
                                                   std::sin(t / 5.0f) * std::sin(t / 2.0f)};
    }
}

void addScatter(MeshObject& mesh, const std::vector<Vector3>& directions, float amount)
{
    float* vertices = mesh.getVertices();
    const int count = std::min(mesh.getVertexCount(), static_cast<int>(directions.size()));
    for (int k = 0; k < count; ++k) {
        const Vector3& d = directions[static_cast<std::size_t>(k)];
        vertices[k * 3] += d.x * amount;
        vertices[k * 3 + 1] += d.y * amount;
        vertices[k * 3 + 2] += d.z * amount;
    }
}

void placeLogo(MeshObject& logo, unsigned texture)
{
    logo.setPosition(kLogoPosition[0], kLogoPosition[1], kLogoPosition[2]);
    logo.setScale(kLogoScale, kLogoScale, kLogoScale);
    logo.setTexture(texture);
}

} // namespace

RainBallScene::RainBallScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

RainBallScene::~RainBallScene() = default;

bool RainBallScene::load()
{
    const TextureTable& textures = TextureTable::instance();
    setPosition(0.0f, 0.0f, -30.0f);

    ball.reset(PrimitiveFactory::createTexturedSphere(40, 40));
    ball->setScale(kBallScale, kBallScale, kBallScale);
    ball->setTexture(textures.findTexture("chrome.png"));

    const int n = static_cast<int>(ball->getPolygonCount());
    triangleStart.assign(static_cast<std::size_t>(n), 0.0f);
    triangleVelocity.assign(static_cast<std::size_t>(n), 0.0f);
    triangleAcceleration.assign(static_cast<std::size_t>(n), 0.0f);
    // One half starts 20 to 11 units above its place, the other 11 to 20 below.
    for (int i = 0; i < n / 2; ++i) {
        const float share = 18.0f * static_cast<float>(i) / static_cast<float>(n);
        triangleStart[static_cast<std::size_t>(i)] = 20.0f - share;
        triangleStart[static_cast<std::size_t>(n - 1 - i)] = share - 20.0f;
    }
    // Any rand sequence will do, as long as both halves draw the same one: triangle i and n/2 + i then
    // move equally fast.
    std::srand(kLandingSeed);
    for (int i = 0; i < n / 2; ++i) {
        triangleVelocity[static_cast<std::size_t>(i)] = static_cast<float>(-(std::rand() % 3) - 3);
    }
    std::srand(kLandingSeed);
    for (int i = n / 2; i < n; ++i) {
        triangleVelocity[static_cast<std::size_t>(i)] = static_cast<float>(std::rand() % 3 + 3);
    }
    const float* vertices = ball->getVertices();
    ballRestVertices.assign(vertices, vertices + std::size_t{3} * static_cast<std::size_t>(ball->getVertexCount()));

    ring.reset(PrimitiveFactory::createTube(50, 5.625f, 4.925f, 2.25f));
    ring->setTexture(textures.findTexture("spheremap.png"));
    for (auto& spike : spikes) {
        spike.reset(PrimitiveFactory::createSimpleCone(1.035f, 2.025f));
        spike->setTexture(textures.findTexture("chrome.png"));
    }

    const unsigned logoTexture = textures.findTexture("orq.png");
    logoStrips.reset(PrimitiveFactory::createTiledPlane(kLogoStripCount, 1, kLogoWidth, kLogoHeight));
    placeLogo(*logoStrips, logoTexture);
    logoGrid.reset(PrimitiveFactory::createTiledPlane(160, 40, kLogoWidth, kLogoHeight));
    placeLogo(*logoGrid, logoTexture);
    prepareRipple();
    setLogoAlpha(0.0f);

    fillScatterDirections(spikeScatter, spikes[0]->getVertexCount());
    fillScatterDirections(ringScatter, ring->getVertexCount());
    fillScatterDirections(ballScatter, ball->getVertexCount());

    logoVisible = logoFadeActive = rippleActive = stripFallActive = burstActive = false;

    for (const SyncEvent& event : kRainBallMoves) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kRainBallBursts) {
        addEvent(event.time, event.kind);
    }
    sortEvents();

    fadeQuad = std::make_unique<FadeQuad>();
    return true;
}

void RainBallScene::start()
{
    gl::enable(GL_DEPTH_TEST);
    gl::enable(GL_COLOR_MATERIAL);
    gl::enable(GL_CULL_FACE);
    // The first frame shows the ball as lines, until the logo passes switch to fill.
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::color3f(1.0f, 0.0f, 0.0f);
    gl::loadIdentity();
    ringAngleX = ringAngleY = 0.0f;
    gl::texGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl::texGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    gl::lightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    gl::enable(GL_LIGHT0);
}

void RainBallScene::stop()
{
    gl::disable(GL_TEXTURE_GEN_S);
    gl::disable(GL_TEXTURE_GEN_T);
    gl::disable(GL_BLEND);
    gl::disable(GL_CULL_FACE);
    gl::disable(GL_COLOR_MATERIAL);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_DEPTH_TEST);
}

void RainBallScene::keyPressed(int key)
{
    const float now = *timeValue;
    if (key == KeyCode::kSpace) {
        act(static_cast<int>(RainBallCue::LogoFadeIn), now);
    } else if (key == KeyCode::kEnter) {
        act(static_cast<int>(RainBallCue::StripFall), now);
    }
}

void RainBallScene::act(int kind, float now)
{
    switch (static_cast<RainBallCue>(kind)) {
    case RainBallCue::LogoFadeIn:
        logoFadeActive = true;
        logoFadeTime = now;
        break;
    case RainBallCue::Ripple:
        rippleActive = true;
        rippleTime = now;
        break;
    case RainBallCue::StripFall:
        stripFallActive = true;
        stripFallTime = now;
        break;
    case RainBallCue::Burst:
        burstActive = true;
        burstTime = now;
        break;
    case RainBallCue::RingShown:
        logoVisible = true;
        break;
    }
}

float RainBallScene::landingOffset(float start, float velocity, float acceleration)
{
    const float now = *timeValue;
    const float p = start + velocity * now + 0.5f * acceleration * now * now;
    if ((start > 0.0f && p <= 0.0f) || (start <= 0.0f && p >= 0.0f)) {
        return 0.0f;
    }
    logoVisible = false;
    return p;
}

void RainBallScene::rainBall()
{
    float* vertices = ball->getVertices();
    const int vertexCount = ball->getVertexCount();
    const auto place = [&](int vertex) {
        const std::size_t triangle = static_cast<std::size_t>(vertex / 3);
        const std::size_t y = static_cast<std::size_t>(vertex) * 3 + 1;
        vertices[y] = ballRestVertices[y] + landingOffset(triangleStart[triangle], triangleVelocity[triangle],
                                                          triangleAcceleration[triangle]);
    };
    for (int i = 0; i < vertexCount / 2; ++i) {
        place(i);
        place(vertexCount - 1 - i);
    }
}

void RainBallScene::scatter()
{
    const float amount = *timeValue / 10.0f;
    for (auto& spike : spikes) {
        addScatter(*spike, spikeScatter, amount);
    }
    addScatter(*ring, ringScatter, amount);
    addScatter(*ball, ballScatter, amount);
}

void RainBallScene::dropStrips(float elapsed)
{
    float* vertices = logoStrips->getVertices();
    const std::uint32_t* indices = logoStrips->getIndices();
    const int strips = static_cast<int>(logoStrips->getPolygonCount()) / 2;
    // The lower the strip, the faster it falls.
    for (int m = 0; m < strips; ++m) {
        const float drop = static_cast<float>(800 - 2 * m) * elapsed / 300.0f;
        for (int corner = 0; corner < 6; ++corner) {
            vertices[std::size_t{indices[m * 6 + corner]} * 3 + 1] -= drop;
        }
    }
}

void RainBallScene::setLogoAlpha(float alpha)
{
    float* colors = logoStrips->getColors();
    // Read once: a virtual call in the loop condition keeps the compiler from vectorising the writes.
    const int count = logoStrips->getColorCount();
    for (int i = 0; i < count; ++i) {
        colors[i * 4 + 3] = alpha;
    }
}

void RainBallScene::prepareRipple()
{
    const float* vertices = logoGrid->getVertices();
    const std::size_t count = static_cast<std::size_t>(logoGrid->getVertexCount());
    for (auto [axis, offset] : {std::pair{&rippleColumns, 0}, std::pair{&rippleRows, 1}}) {
        axis->values.resize(count);
        for (std::size_t v = 0; v < count; ++v) {
            axis->values[v] = vertices[v * 3 + static_cast<std::size_t>(offset)];
        }
        std::sort(axis->values.begin(), axis->values.end());
        axis->values.erase(std::unique(axis->values.begin(), axis->values.end()), axis->values.end());
        axis->slotOfVertex.resize(count);
        for (std::size_t v = 0; v < count; ++v) {
            const float value = vertices[v * 3 + static_cast<std::size_t>(offset)];
            axis->slotOfVertex[v] = static_cast<std::uint16_t>(
                std::lower_bound(axis->values.begin(), axis->values.end(), value) - axis->values.begin());
        }
        axis->wave.assign(axis->values.size(), 0.0f);
    }
}

// The grid's x and y never change, so the ripple's sines are taken once per column and once per row.
void RainBallScene::rippleLogo(float elapsed)
{
    const float envelope = 1.0f - std::cos(kTwoPi * elapsed / kRippleLength);
    const float across = kTwoPi * (4.0f / 3.0f) * elapsed;
    const float upA = kTwoPi * 2.0f * elapsed;
    const float upB = kTwoPi * (5.0f / 3.0f) * elapsed;
    for (std::size_t c = 0; c < rippleColumns.values.size(); ++c) {
        rippleColumns.wave[c] = std::sin(across * rippleColumns.values[c]);
    }
    for (std::size_t r = 0; r < rippleRows.values.size(); ++r) {
        const float y = rippleRows.values[r];
        rippleRows.wave[r] = std::cos(upA * y) * std::sin(upB * y) * kRippleAmplitude * envelope;
    }
    float* vertices = logoGrid->getVertices();
    const std::size_t count = rippleColumns.slotOfVertex.size();
    for (std::size_t v = 0; v < count; ++v) {
        vertices[v * 3 + 2] =
            rippleColumns.wave[rippleColumns.slotOfVertex[v]] * rippleRows.wave[rippleRows.slotOfVertex[v]];
    }
}

bool RainBallScene::tumbleRing()
{
    const float now = *timeValue;
    bool whipping = false;
    // Just after 8 s and 13 s the turn per frame is huge and negative: the ring whips round, then slows.
    if (now > 8.0f && now < 13.0f) {
        ringAngleX += 0.0625f * now;
        ringAngleY += now / (8.0f - now);
        whipping = true;
    }
    if (now > 13.0f && now < 30.0f) {
        ringAngleX += 0.0625f * now;
        ringAngleY += now / (13.0f - now);
        whipping = true;
    }
    // Whole turns change nothing; dropping them keeps the angles small enough for float to turn smoothly.
    ringAngleX = std::fmod(ringAngleX, 360.0f);
    ringAngleY = std::fmod(ringAngleY, 360.0f);
    return whipping;
}

void RainBallScene::drawRingAndSpikes(float now, const Vector3& glide)
{
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    float alpha = (now - kRingFadeEnd) / kRingFadeLength + 1.0f;
    if (alpha > 1.0f) {
        alpha = 1.0f;
        gl::disable(GL_BLEND);
    }
    gl::color4f(1.0f, 1.0f, 1.0f, alpha);
    gl::pushMatrix();
    gl::translatef(glide.x, glide.y, glide.z);
    gl::pushMatrix();
    // Inside the whip windows the tumble is applied twice.
    const int turns = tumbleRing() ? 2 : 1;
    for (int turn = 0; turn < turns; ++turn) {
        gl::rotatef(ringAngleX, 1.0f, 0.0f, 0.0f);
        gl::rotatef(ringAngleY, 0.0f, 1.0f, 0.0f);
    }
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("chrome.png"));
    ring->draw();
    gl::rotatef(90.0f, 0.0f, 0.0f, 1.0f);
    for (auto& spike : spikes) {
        gl::rotatef(kSpikeSpacing, 1.0f, 0.0f, 0.0f);
        gl::translatef(0.0f, kSpikeDistance, 0.0f);
        spike->draw();
        gl::translatef(0.0f, -kSpikeDistance, 0.0f);
    }
    gl::rotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    gl::popMatrix();
    // Back to the scene position: the logo does not glide with the ball.
    gl::popMatrix();
    gl::disable(GL_BLEND);
}

void RainBallScene::render()
{
    const float now = *timeValue;
    if (const TimedEvent* event = takeDueEvent()) {
        act(event->kind, now);
    }

    gl::pushMatrix();
    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::translatef(position[0], position[1], position[2]);
    gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl::color3f(1.0f, 0.0f, 0.0f);

    rainBall();
    const float tilt = std::max(0.0f, 90.0f - kTiltPerSecond * now);
    ball->setRotation(tilt, tilt, tilt);
    const float glided = std::min(1.0f, now / kGlideEnd);
    const Vector3 glide{-4.7f * glided, glided, -35.0f * glided - 5.0f};
    if (burstActive) {
        scatter();
    }

    gl::enable(GL_TEXTURE_2D);
    gl::enable(GL_TEXTURE_GEN_S);
    gl::enable(GL_TEXTURE_GEN_T);
    gl::enable(GL_LIGHTING);
    // Sphere-mapped texture generation makes the bound texture an environment map on every mesh.
    gl::bindTexture(GL_TEXTURE_2D, TextureTable::instance().findTexture("spheremap.png"));
    gl::pushMatrix();
    gl::translatef(glide.x, glide.y, glide.z);
    gl::rotatef(kSpinPerSecond * now, 1.0f, 1.0f, 0.0f);
    ball->draw();
    gl::popMatrix();

    if (logoVisible) {
        drawRingAndSpikes(now, glide);
    } else {
        // Without the ring the logo is drawn under the matrix render was entered with.
        gl::popMatrix();
        gl::pushMatrix();
    }

    gl::disable(GL_TEXTURE_GEN_S);
    gl::disable(GL_TEXTURE_GEN_T);
    gl::disable(GL_CULL_FACE);

    if (stripFallActive) {
        dropStrips(now - stripFallTime);
        gl::disable(GL_LIGHTING);
        if (!rippleActive) {
            logoStrips->draw();
        }
        gl::enable(GL_LIGHTING);
    }
    if (logoFadeActive) {
        gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl::enable(GL_BLEND);
        gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        setLogoAlpha(std::min(1.0f, (now - logoFadeTime) * kLogoFadeRate));
        gl::disable(GL_LIGHTING);
        if (!rippleActive) {
            logoStrips->draw();
        }
        gl::enable(GL_LIGHTING);
        gl::disable(GL_BLEND);
    }

    gl::disable(GL_LIGHTING);
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (rippleActive) {
        float elapsed = now - rippleTime;
        if (elapsed >= kRippleLength) {
            elapsed = kRippleLength;
            rippleActive = false; // this last frame is drawn flat
        }
        rippleLogo(elapsed);
        logoGrid->draw();
    }
    gl::disable(GL_BLEND);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_CULL_FACE);
    gl::popMatrix();

    if (burstActive) {
        gl::disable(GL_LIGHTING);
        const float alpha = (now - burstTime) / kBurstFadeLength;
        if (alpha >= 0.0f) {
            // Past 1 the alpha keeps growing; colours clamp, so the picture stays white.
            fadeQuad->draw(alpha);
        }
        gl::enable(GL_LIGHTING);
    }
}
