#pragma once

#include "sequence/AbstractSceneObject.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class CylinderDrawWindow;
class MeshObject;

// A slow drift down the inside of one long reflective tube whose wall bulges and ripples. The bulges
// are recomputed every frame from the wall's current shape, so the surface boils.
class PlasmaTunnelQuarnScene : public AbstractSceneObject {
public:
    explicit PlasmaTunnelQuarnScene(const float* timeValue);
    ~PlasmaTunnelQuarnScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // Boils the wall inside the draw window for the current time value; no GL.
    void boil();
    // Every index position p from 3·first to 3·(first + count) starts a run of three corners whose x and z
    // are set to their rest values times a factor read from their current shape. Runs that would reach past
    // the index array are left out.
    static void boilWall(float* vertices, const float* restVertices, const std::uint32_t* indices,
                         std::size_t indexCount, int windowFirst, unsigned windowCount, float now);

protected:
    // Copies the rest positions of every vertex named before index position `indexEnd` not copied yet.
    void extendRestCopy(std::size_t indexEnd);

    std::unique_ptr<MeshObject> tube;
    std::unique_ptr<CylinderDrawWindow> window;
    // Rest positions, filled as the window first reaches them: the scene boils a few dozen of the tube's
    // 15000 stacks, so copying all 29 MB at load would be wasted time and memory. A vertex the boil has
    // never reached still holds its created position, which is what gets copied.
    std::unique_ptr<float[]> tubeRestVertices;
    std::size_t restVertexEnd = 0;
    std::size_t restIndexEnd = 0;
    unsigned tubeTriangleCount = 0;
};
