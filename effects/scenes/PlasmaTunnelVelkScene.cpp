#include "effects/scenes/PlasmaTunnelVelkScene.h"

#include "effects/scenes/FadeQuad.h"
#include "effects/sync/PlasmaTunnelVelkSync.h"
#include "geometry/DrawCounter.h"

#include "gl/GL.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kPi = 3.1415927f;
constexpr float kStartDepth = -100.0f;
constexpr float kStartRadius = 2.0f;
constexpr float kStartWobbleAmplitude = 1.0f;
constexpr float kStartOrbitAmplitude = 1.0f;
constexpr float kStartWobbleFrequency = 2.0f;
constexpr float kWobbleScale = 0.7f;
constexpr float kFlashFadePerSecond = 5.0f; // a flash is gone after 0.2 s
constexpr GLfloat kLightPosition[4] = {0.0f, 0.0f, 0.0f, 0.0f};

} // namespace

PlasmaTunnelVelkScene::PlasmaTunnelVelkScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

PlasmaTunnelVelkScene::~PlasmaTunnelVelkScene() = default;

bool PlasmaTunnelVelkScene::load()
{
    tunnelDepth = kStartDepth;
    firstRing = 0;
    viewOffsetX = viewOffsetY = 0.0f;
    tubeRadius = kStartRadius;
    wobbleAmplitude = kStartWobbleAmplitude;
    orbitAmplitude = kStartOrbitAmplitude;
    wobbleFrequency = kStartWobbleFrequency;
    flashActive = false;
    flashTime = 0.0f;
    fadeQuad = std::make_unique<FadeQuad>();
    bands.resize(std::size_t{kRingCount} * kRingSteps);
    for (int j = 0; j <= kRingSteps; ++j) {
        const float theta = static_cast<float>(j) * kTwoPi / static_cast<float>(kSegmentCount);
        segmentSine[j] = std::sin(theta);
        segmentCosine[j] = std::cos(theta);
    }
    for (const SyncEvent& event : kPlasmaTunnelVelkFlashes) {
        addEvent(event.time, event.kind);
    }
    for (const SyncEvent& event : kPlasmaTunnelVelkIdleCues) {
        addEvent(event.time, event.kind);
    }
    sortEvents();
    return true;
}

void PlasmaTunnelVelkScene::start()
{
    startTime = *timeValue;
    gl::shadeModel(GL_FLAT);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::loadIdentity();
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // The rings are drawn far to near instead.
    gl::disable(GL_DEPTH_TEST);
    gl::hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_LIGHT0);
    gl::lightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    gl::colorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    gl::disable(GL_CULL_FACE);
    gl::disable(GL_TEXTURE_2D);
    gl::enable(GL_COLOR_MATERIAL);
}

void PlasmaTunnelVelkScene::stop() {}

// Nothing limits the tuning: a radius of 0 or below collapses the rings or turns them inside out.
void PlasmaTunnelVelkScene::keyPressed(int key)
{
    switch (key) {
    case 32: bassFlash(); break;
    case 75: tubeRadius -= 1.0f; break;        // K
    case 76: tubeRadius += 1.0f; break;        // L
    case 72: orbitAmplitude -= 0.25f; break;   // H
    case 74: orbitAmplitude += 0.25f; break;   // J
    case 85: wobbleFrequency -= 0.25f; break;  // U
    case 73: wobbleFrequency += 0.25f; break;  // I
    case 86: wobbleAmplitude -= 0.25f; break;  // V
    case 66: wobbleAmplitude += 0.25f; break;  // B
    default: break;
    }
}

std::pair<float, float> PlasmaTunnelVelkScene::ringWobble(int ring, int segment) const
{
    const float x = kWobbleScale * wobbleAmplitude *
                    std::cos(2.0f * std::sin(sceneTime) +
                             (kTwoPi * static_cast<float>(segment) / static_cast<float>(kSegmentCount)) *
                                 wobbleFrequency);
    const float y =
        kWobbleScale * wobbleAmplitude * std::sin(kTwoPi * static_cast<float>(ring + 1) / 10.0f + 2.0f * sceneTime);
    return {x, y};
}

void PlasmaTunnelVelkScene::plasmaColour(float u, float v, float w, float* rgb) const
{
    const float t = sceneTime;
    const float red = std::sin(t + u * w / 50.0f) + std::sin(v + w + t) / 5.0f;
    const float green = std::sin(16.0f * v / 50.0f + kPi + t) + std::cos(u + w + t) / 3.0f;
    rgb[0] = red;
    rgb[1] = green;
    rgb[2] = red + green;
}

void PlasmaTunnelVelkScene::bassFlash()
{
    std::printf("bassflash\n");
    flashActive = true;
    flashTime = *timeValue;
}

void PlasmaTunnelVelkScene::computeBands()
{
    const float t = sceneTime;
    const float radius = tubeRadius;
    const float orbit = orbitAmplitude;
    // The x wobble depends on the segment only, the y wobble on the ring only.
    for (int j = 0; j < kRingSteps; ++j) {
        segmentWobble[j] = ringWobble(firstRing, j).first;
    }
    for (int k = 0; k <= kRingCount; ++k) {
        ringWobbleY[k] = ringWobble(firstRing + k, 0).second;
    }
    BandStep* step = bands.data();
    for (int k = 0; k < kRingCount; ++k) {
        const int r = firstRing + k;
        const float w = static_cast<float>(r);
        const float a = kTwoPi * static_cast<float>(r) / 100.0f;
        const float b = kTwoPi * static_cast<float>(r + 1) / 100.0f;
        const float sinA = std::sin(a);
        const float cosA = std::cos(a);
        const float orbitNearX = orbit * std::sin(2.0f * a);
        const float orbitNearY = orbit * std::cos(2.0f * a);
        const float orbitFarX = orbit * std::sin(2.0f * b);
        const float orbitFarY = orbit * std::cos(2.0f * b);
        const float nearWobble = ringWobbleY[k];
        const float farWobble = ringWobbleY[k + 1];
        // The plasma terms that depend on the ring alone (both vertices carry the colour of ring r).
        const float nearRed = std::sin(nearWobble + w + t) / 5.0f;
        const float farRed = std::sin(farWobble + w + t) / 5.0f;
        const float nearGreen = std::sin(16.0f * nearWobble / 50.0f + kPi + t);
        const float farGreen = std::sin(16.0f * farWobble / 50.0f + kPi + t);
        for (int j = 0; j < kRingSteps; ++j, ++step) {
            const float ox = segmentWobble[j];
            const float p0x = radius * segmentSine[j] + orbitNearX + ox;
            const float p0y = radius * segmentCosine[j] + orbitNearY + nearWobble;
            const float p1x = radius * segmentSine[j] + orbitFarX + ox;
            const float p1y = radius * segmentCosine[j] + orbitFarY + farWobble;
            const float p2x = radius * segmentSine[j + 1] + orbitFarX + ox;
            const float p2y = radius * segmentCosine[j + 1] + orbitFarY + farWobble;
            const float e1x = p0x - p1x;
            const float e1y = p0y - p1y;
            const float e2x = p2x - p1x;
            const float e2y = p2y - p1y;
            // x and y of the normal follow the ring angle, not the quad: lighting varies per ring.
            step->normal[0] = sinA;
            step->normal[1] = cosA;
            step->normal[2] = e1x * e2y - e1y * e2x;
            const float redWave = std::sin(t + ox * w / 50.0f);
            const float greenWave = std::cos(ox + w + t) / 3.0f;
            step->nearColour[0] = redWave + nearRed;
            step->nearColour[1] = nearGreen + greenWave;
            step->nearColour[2] = step->nearColour[0] + step->nearColour[1];
            step->farColour[0] = redWave + farRed;
            step->farColour[1] = farGreen + greenWave;
            step->farColour[2] = step->farColour[0] + step->farColour[1];
            step->nearVertex[0] = p0x;
            step->nearVertex[1] = p0y;
            step->nearVertex[2] = w;
            step->farVertex[0] = p1x;
            step->farVertex[1] = p1y;
            step->farVertex[2] = w + 1.0f;
        }
    }
}

void PlasmaTunnelVelkScene::drawBands()
{
    const BandStep* step = bands.data();
    for (int k = 0; k < kRingCount; ++k) {
        gl::begin(GL_QUAD_STRIP);
        for (int j = 0; j < kRingSteps; ++j, ++step) {
            gl::normal3fv(step->normal);
            gl::color3fv(step->nearColour);
            gl::vertex3fv(step->nearVertex);
            gl::color3fv(step->farColour);
            gl::vertex3fv(step->farVertex);
        }
        gl::end();
        // Two vertices a step, each with its normal, colour and position.
        DrawCounter::countDraw(std::uint64_t{kRingSteps} * 2 * 36);
    }
}

void PlasmaTunnelVelkScene::render()
{
    const float now = *timeValue;
    sceneTime = now - startTime;
    // One ring per rendered frame, from the second frame on.
    if (sceneTime > 0.0f) {
        firstRing -= 1;
        tunnelDepth += 1.0f;
    }
    if (const TimedEvent* event = takeDueEvent()) {
        if (event->kind == static_cast<int>(PlasmaTunnelVelkCue::BassFlash)) {
            bassFlash();
        }
    }

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::loadIdentity();
    const int depth = static_cast<int>(tunnelDepth);
    const float phi = 2.0f * (kTwoPi * static_cast<float>(depth) / 100.0f);
    const float swayX = orbitAmplitude * std::sin(phi);
    const float swayY = orbitAmplitude * std::cos(phi);
    gl::rotatef(swayX, 1.0f, 0.0f, 0.0f);
    gl::rotatef(swayY, 0.0f, 1.0f, 0.0f);
    gl::translatef(swayX + viewOffsetX, -swayY + viewOffsetY, tunnelDepth);
    // After the translation the rings always span view depths −100 to 0.
    computeBands();
    drawBands();

    if (flashActive) {
        gl::disable(GL_LIGHTING);
        const float alpha = 1.0f - kFlashFadePerSecond * (now - flashTime);
        if (alpha < 0.0f) {
            flashActive = false;
        } else {
            fadeQuad->draw(alpha);
        }
        gl::enable(GL_LIGHTING);
    }
}
