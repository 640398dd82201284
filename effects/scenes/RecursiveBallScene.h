#pragma once

#include "effects/scenes/CameraPath.h"
#include "sequence/AbstractSceneObject.h"

#include <memory>
#include <vector>

class InstanceBatch;
class MeshObject;
class SphereTree;

// A flight down one random branch of a fractal tree of spheres, ever faster, through wireframe
// spheres; the branch's spheres are solid and change colour on the music's beats. Seven word images
// can be faded in over the picture by key or by timed event.
class RecursiveBallScene : public AbstractSceneObject {
public:
    static constexpr int kWordCount = 7;
    static constexpr int kPaletteSize = 7;

    explicit RecursiveBallScene(const float* timeValue);
    ~RecursiveBallScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // Passes at most one beat time per call.
    void updateBeat(float now);
    // The RGB colour of the branch spheres now.
    const float* pathColour() const;
    void startWord(int word);

    int getBeatIndex() const { return beatIndex; }
    const CameraPath& getCameraPath() const { return cameraPath; }
    const SphereTree* getTree() const { return tree.get(); }
    const std::vector<int>& getDirections() const { return directions; }
    int getMinLevel() const { return minLevel; }
    bool isWordActive(int word) const { return wordActive[word]; }
    MeshObject* getWordMesh(int word) const { return wordMeshes[word].get(); }

private:
    void drawWords(float now);

    std::vector<int> directions;
    CameraPath cameraPath;
    std::unique_ptr<MeshObject> pathSphereMesh;
    std::unique_ptr<MeshObject> branchSphereMesh;
    std::unique_ptr<SphereTree> tree;
    std::unique_ptr<InstanceBatch> pathSpheres;
    std::unique_ptr<InstanceBatch> branchSpheres;
    float wordStart[kWordCount] = {};
    bool wordActive[kWordCount] = {};
    std::unique_ptr<MeshObject> wordMeshes[kWordCount];
    int beatIndex = 0; // −1 once every beat time has passed
    int minLevel = 0;
};
