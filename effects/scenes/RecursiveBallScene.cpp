#include "effects/scenes/RecursiveBallScene.h"

#include "effects/scenes/SphereTree.h"
#include "effects/sync/RecursiveBallSync.h"
#include "geometry/InstanceBatch.h"
#include "math/Matrix4.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr float kPathPalette[RecursiveBallScene::kPaletteSize][3] = {
    {1.0f, 0.0f, 0.0f}, {1.0f, 0.5f, 0.0f}, {1.0f, 1.0f, 0.0f}, {0.5f, 1.0f, 0.5f},
    {0.0f, 1.0f, 1.0f}, {0.0f, 0.5f, 1.0f}, {0.0f, 0.0f, 1.0f},
};

constexpr float kBackground[4] = {0.1f, 0.1f, 0.2f, 0.0f};
constexpr float kFogColor[4] = {0.1f, 0.1f, 0.2f, 1.0f};
constexpr float kFogDensity = 0.3f;
constexpr int kFogFromSegment = 4;
constexpr float kStopClearColor[4] = {0.1f, 0.1f, 0.3f, 0.0f};

struct Word {
    const char* texture;
    float width;
    float height;
    Vector3 position; // in eye coordinates, just in front of the viewer
    int key;
};

// "youre on the zarn of vusk" / "insanity": the last two share a place.
constexpr Word kWords[RecursiveBallScene::kWordCount] = {
    {"youre.png", 0.539f, 0.141f, {-0.7f, 0.25f, -1.0f}, 'Q'},
    {"on.png", 0.231f, 0.123f, {-0.67f, 0.1f, -1.01f}, 'W'},
    {"the.png", 0.281f, 0.14f, {-0.62f, -0.1f, -1.02f}, 'E'},
    {"zarn.png", 0.376f, 0.128f, {-0.59f, -0.3f, -1.03f}, 'R'},
    {"of.png", 0.198f, 0.129f, {-0.2f, -0.3f, -1.04f}, 'T'},
    {"vusk.png", 0.509f, 0.151f, {0.03f, -0.3f, -1.05f}, 'Y'},
    {"insanity.png", 0.737f, 0.131f, {0.03f, -0.3f, -1.06f}, 'U'},
};

// The three points the flight starts from, looking at the root, before the dive down the branch.
constexpr Vector3 kApproach[3] = {{0.0f, 0.0f, 20.0f}, {-10.0f, 10.0f, 5.0f}, {50.0f, -50.0f, 20.0f}};

Vector3 midpoint(const Vector3& a, const Vector3& b) { return (a + b) * 0.5f; }

// The most path and branch spheres one frame draws, over every level window of the flight.
void widestWindow(RecursiveSphereObject& root, unsigned* pathCount, unsigned* branchCount)
{
    *pathCount = 0;
    *branchCount = 0;
    for (int minLevel = 0; minLevel <= SphereTree::kPathLength; ++minLevel) {
        unsigned path = 0, branch = 0;
        auto count = [&](RecursiveSphereObject& node) { ++(node.isOnPath() ? path : branch); };
        root.walkTree(minLevel, 0, count);
        *pathCount = std::max(*pathCount, path);
        *branchCount = std::max(*branchCount, branch);
    }
}

} // namespace

RecursiveBallScene::RecursiveBallScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

RecursiveBallScene::~RecursiveBallScene() = default;

bool RecursiveBallScene::load()
{
    for (int k = 0; k < kWordCount; ++k) {
        wordStart[k] = 1.0f;
        wordActive[k] = false;
        const Word& word = kWords[k];
        wordMeshes[k].reset(PrimitiveFactory::createPlane(2, 2, word.width, word.height));
        wordMeshes[k]->setTexture(TextureTable::instance().findTexture(word.texture));
        wordMeshes[k]->setPosition(word.position);
    }
    sortEvents();
    camera.setPosition(0.0f, 0.0f, 5.0f);

    pathSphereMesh.reset(PrimitiveFactory::createUnitSphere(20, 20));
    branchSphereMesh.reset(PrimitiveFactory::createUnitSphere(8, 8));

    // Unseeded on purpose: the branch follows whatever the generator holds at load time.
    directions.clear();
    for (int i = 0; i < SphereTree::kPathLength; ++i) {
        directions.push_back(std::rand() % 4);
    }
    tree = std::make_unique<SphereTree>(pathSphereMesh.get(), branchSphereMesh.get(), directions);
    std::printf(" Total objects created:  %d\n", tree->getSpheresCreated());
    // Each kind of sphere is one draw a frame.
    unsigned pathCount = 0, branchCount = 0;
    widestWindow(*tree->getRoot(), &pathCount, &branchCount);
    pathSpheres = std::make_unique<InstanceBatch>(*pathSphereMesh, pathCount, InstanceBatch::Primitives::Triangles,
                                                  GL_FILL);
    branchSpheres = std::make_unique<InstanceBatch>(*branchSphereMesh, branchCount,
                                                    InstanceBatch::Primitives::Triangles, GL_LINE);

    cameraPath = CameraPath();
    RecursiveSphereObject* node = tree->getRoot();
    for (const Vector3& approach : kApproach) {
        cameraPath.addPoint(approach, node->getMatrixTranslation(), 0);
    }
    for (int i = 0; i + 1 < SphereTree::kPathLength; ++i) {
        GraphicsObject* child = node->getChild(static_cast<unsigned>(directions[i]));
        const Vector3 between = midpoint(node->getMatrixTranslation(), child->getMatrixTranslation());
        cameraPath.setLastTarget(between);
        cameraPath.addPoint(between, child->getMatrixTranslation(), i);
        node = static_cast<RecursiveSphereObject*>(child);
    }
    return true;
}

void RecursiveBallScene::start()
{
    gl::enable(GL_DEPTH_TEST);
    gl::enable(GL_LIGHTING);
    gl::enable(GL_COLOR_MATERIAL);
    gl::clearColor(kBackground[0], kBackground[1], kBackground[2], kBackground[3]);
    gl::enable(GL_CULL_FACE);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::enable(GL_LIGHT0);
    gl::loadIdentity();
    gl::lineWidth(2.0f);
    startTime = *timeValue;
    cameraPath.restart(*timeValue);
}

void RecursiveBallScene::render()
{
    const float now = *timeValue;
    updateBeat(now);
    if (const TimedEvent* event = takeDueEvent()) {
        if (event->kind >= 0 && event->kind < kWordCount) {
            startWord(event->kind);
        }
    }

    gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::loadIdentity();
    if (cameraPath.getSegment() >= kFogFromSegment) {
        gl::enable(GL_FOG);
        gl::fogi(GL_FOG_MODE, GL_EXP);
        gl::fogfv(GL_FOG_COLOR, kFogColor);
        gl::fogf(GL_FOG_DENSITY, kFogDensity);
    }

    if (tree != nullptr) {
        minLevel = cameraPath.update(camera, now);
        float view[16];
        camera.getRotationMatrix(view);
        gl::multMatrixf(view);
        gl::translatef(-camera.position.x, -camera.position.y, -camera.position.z);
        // The same modelview for the batches, which place the spheres through it.
        Matrix4::translate(view, -camera.position.x, -camera.position.y, -camera.position.z);
        pathSpheres->setFrame(view);
        branchSpheres->setFrame(view);
        gl::color3f(1.0f, 1.0f, 1.0f);
        tree->getRoot()->drawTree(minLevel, 0, pathColour(), *pathSpheres, *branchSpheres);
    }

    gl::loadIdentity();
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::enable(GL_BLEND);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawWords(now);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::disable(GL_BLEND);
}

void RecursiveBallScene::stop()
{
    gl::lineWidth(1.0f);
    gl::disable(GL_BLEND);
    gl::disable(GL_DEPTH_TEST);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_COLOR_MATERIAL);
    gl::clearColor(kStopClearColor[0], kStopClearColor[1], kStopClearColor[2], kStopClearColor[3]);
    gl::disable(GL_CULL_FACE);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
    gl::disable(GL_LIGHT0);
    gl::disable(GL_FOG);
}

void RecursiveBallScene::keyPressed(int key)
{
    for (int k = 0; k < kWordCount; ++k) {
        if (kWords[k].key == key) {
            startWord(k);
        }
    }
}

void RecursiveBallScene::updateBeat(float now)
{
    if (beatIndex >= 0 && now >= kSphereTreeBeatTimes[beatIndex]) {
        ++beatIndex;
        if (beatIndex >= kSphereTreeBeatCount) {
            beatIndex = -1;
        }
    }
}

// Once every beat time has passed, the colour of the last beat stays.
const float* RecursiveBallScene::pathColour() const
{
    const int step = beatIndex >= 0 ? beatIndex : kSphereTreeBeatCount;
    return kPathPalette[step % kPaletteSize];
}

void RecursiveBallScene::startWord(int word)
{
    wordActive[word] = true;
    wordStart[word] = *timeValue;
}

// A word fades out linearly over one second from its start.
void RecursiveBallScene::drawWords(float now)
{
    for (int k = 0; k < kWordCount; ++k) {
        if (!wordActive[k] || wordMeshes[k] == nullptr) {
            continue;
        }
        const float alpha = 1.0f - (now - wordStart[k]);
        if (alpha <= 0.0f) {
            wordActive[k] = false;
            continue;
        }
        MeshObject& mesh = *wordMeshes[k];
        float* colors = mesh.getColors();
        for (int c = 0; c < mesh.getColorCount(); ++c) {
            colors[4 * c + 3] = alpha;
        }
        gl::pushMatrix();
        mesh.draw();
        gl::popMatrix();
    }
}
