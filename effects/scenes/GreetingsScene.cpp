#include "effects/scenes/GreetingsScene.h"

#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

namespace {

struct Panel {
    const char* image;
    float width;
    float height;
};

// In flight order, one every 10 units down the line of flight; each is centred on the axis.
constexpr Panel kPanels[GreetingsScene::kPanelCount] = {
    {"Credits.png", 1.236f, 0.38f},         {"comments.png", 3.44f, 0.72f},
    {"Brontask.png", 4.924f, 0.824f},       {"Ismerel.png", 2.124f, 0.476f},
    {"Daggomir.png", 5.52f, 0.632f},        {"C64Scene.png", 3.74f, 0.504f},
    {"TheAmigaSceneRules.png", 5.792f, 0.996f}, {"Greetz1.png", 6.608f, 1.276f},
    {"Greetz2.png", 5.672f, 1.664f},        {"Greetz3.png", 6.36f, 1.572f},
};

constexpr float kPanelSpacing = 10.0f;
constexpr float kViewDistance = 15.0f; // the view starts this far in front of the first panel
constexpr float kFlightSpeed = 10.0f;  // units per second of scene time
constexpr float kSpinSpeed = 10.0f;    // degrees per second of music time

} // namespace

GreetingsScene::GreetingsScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

GreetingsScene::~GreetingsScene()
{
    for (int i = 0; i < kPanelCount; ++i) {
        delete tubes[i];
        delete panels[i];
    }
}

bool GreetingsScene::load()
{
    TextureTable& textures = TextureTable::instance();
    textures.reserveNames(kPanelCount);
    for (const Panel& panel : kPanels) {
        textures.loadTexture(panel.image, GL_LINEAR, GL_LINEAR);
    }
    for (int i = 0; i < kPanelCount; ++i) {
        delete tubes[i];
        tubes[i] = PrimitiveFactory::createTube(40, 5.0f, 4.0f, 2.0f);
        tubes[i]->setPosition(0.0f, 0.0f, -kPanelSpacing * static_cast<float>(i));
    }
    for (int i = 0; i < kPanelCount; ++i) {
        delete panels[i];
        panels[i] = PrimitiveFactory::createTiledPlane(2, 2, kPanels[i].width, kPanels[i].height);
    }
    for (int i = 0; i < kPanelCount; ++i) {
        panels[i]->setPosition(-kPanels[i].width / 2.0f, -kPanels[i].height / 2.0f,
                               -kPanelSpacing * static_cast<float>(i));
    }
    for (int i = 0; i < kPanelCount; ++i) {
        panels[i]->setTexture(textures.findTexture(kPanels[i].image));
    }
    return true;
}

// The −15 translation stays on the modelview matrix for the whole scene.
void GreetingsScene::start()
{
    gl::loadIdentity();
    gl::clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::enable(GL_DEPTH_TEST);
    gl::depthFunc(GL_LEQUAL);
    cameraZ = 0.0f;
    gl::translatef(0.0f, 0.0f, -kViewDistance);
    startTime = *timeValue;
}

void GreetingsScene::render()
{
    const float t = *timeValue;
    elapsed = startTime - t;
    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::pushMatrix();
    cameraZ = -elapsed * kFlightSpeed;
    gl::translatef(0.0f, 0.0f, cameraZ);
    gl::color3f(1.0f, 1.0f, 1.0f);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    for (MeshObject* tube : tubes) {
        tube->setRotation(90.0f, 0.0f, t * kSpinSpeed);
        tube->draw();
    }
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    for (MeshObject* panel : panels) {
        panel->draw();
    }
    gl::popMatrix();
}

void GreetingsScene::stop()
{
    gl::disable(GL_BLEND);
    gl::disable(GL_DEPTH_TEST);
}
