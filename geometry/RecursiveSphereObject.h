#pragma once

#include "geometry/GraphicsObject.h"

class InstanceBatch;
class MeshObject;

// A node of the fractal sphere tree: a transform that draws a mesh many nodes share. Its matrix is
// the full world transform, computed once when the tree is built (parents first), never at draw time.
// Its children are RecursiveSphereObjects too.
class RecursiveSphereObject : public GraphicsObject {
public:
    // The tree shows six levels below the camera's level; deeper nodes are not visited.
    static constexpr int kLevelWindow = 5;

    RecursiveSphereObject(MeshObject* mesh, bool onPath);

    // Draws nothing on its own: the tree is drawn through drawTree.
    void draw() override;
    // The shared mesh under this node's precomputed matrix; children are not drawn.
    void drawTransformed() override;
    void drawChildren() override;
    unsigned getPolygonCount() override;

    // Draws this node and the nodes below it in the level window: path nodes solid in `pathColour`
    // (RGB, alpha 0.8) as copies of `pathSpheres`' shape, all others as white wireframe copies of
    // `branchSpheres`' shape; the batches set the polygon modes. `level` is this node's depth (0 at the root).
    void drawTree(int minLevel, int level, const float* pathColour, InstanceBatch& pathSpheres,
                  InstanceBatch& branchSpheres);

    // Calls visit(node) for every node drawTree draws, in the same order.
    template <class Visit>
    void walkTree(int minLevel, int level, Visit& visit)
    {
        if (level < minLevel && !onPath) {
            return;
        }
        if (level - minLevel > kLevelWindow) {
            return;
        }
        visit(*this);
        for (GraphicsObject* child : children) {
            static_cast<RecursiveSphereObject*>(child)->walkTree(minLevel, level + 1, visit);
        }
    }

    bool isOnPath() const { return onPath; }

private:
    MeshObject* mesh; // shared, owned by the scene
    bool onPath;
};
