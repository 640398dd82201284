#include "effects/scenes/SphereTree.h"

#include "geometry/RecursiveSphereObject.h"

#include <stdexcept>

namespace {

struct ChildPlacement {
    Vector3 position;
    Vector3 rotation;
};

// Above, right, below and left of the parent, each turned to face outwards.
constexpr ChildPlacement kChildren[4] = {
    {{0.0f, SphereTree::kChildDistance, 0.0f}, {90.0f, 0.0f, 0.0f}},
    {{SphereTree::kChildDistance, 0.0f, 0.0f}, {0.0f, 90.0f, 0.0f}},
    {{0.0f, -SphereTree::kChildDistance, 0.0f}, {-90.0f, 0.0f, 0.0f}},
    {{-SphereTree::kChildDistance, 0.0f, 0.0f}, {0.0f, -90.0f, 0.0f}},
};

// Nodes in a full subtree of the given depth: 1 + 4 + … + 4^depth.
constexpr int subtreeSize(int depth) { return depth < 0 ? 0 : 1 + 4 * subtreeSize(depth - 1); }

} // namespace

SphereTree::SphereTree(MeshObject* pathSphereMesh, MeshObject* branchSphereMesh, const std::vector<int>& directions)
    : pathSphereMesh(pathSphereMesh), branchSphereMesh(branchSphereMesh), directions(directions)
{
    if (directions.size() < kPathLength) {
        throw std::out_of_range("SphereTree needs one direction per path level");
    }
    for (int i = 0; i < kPathLength; ++i) {
        if (directions[i] < 0 || directions[i] > 3) {
            throw std::out_of_range("SphereTree directions are child numbers 0 to 3");
        }
    }
    nodes.reserve(kPathLength * (1 + 3 * subtreeSize(kSubtreeDepth)) + subtreeSize(kSubtreeDepth));
    pathSpheres.reserve(kPathLength);
    rootSphere = buildSphere(nullptr, true, 0, {}, {}, 0);
}

SphereTree::~SphereTree() = default;

RecursiveSphereObject* SphereTree::buildSphere(RecursiveSphereObject* parent, bool onPath, int pathIndex,
                                               const Vector3& position, const Vector3& rotation, int depth)
{
    nodes.push_back(std::make_unique<RecursiveSphereObject>(onPath ? pathSphereMesh : branchSphereMesh, onPath));
    RecursiveSphereObject* node = nodes.back().get();
    ++spheresCreated;
    if (parent != nullptr) {
        parent->addChild(node);
        node->setScale(kChildScale, kChildScale, kChildScale);
    }
    node->setRotation(rotation);
    node->setPosition(position);
    node->updateMatrix(); // the parent's matrix is already final

    int direction = -1;
    if (onPath && pathIndex < kPathLength) {
        direction = directions[static_cast<std::size_t>(pathIndex)];
        depth = kSubtreeDepth + 1;
        pathSpheres.push_back(node);
    } else if (depth < 1) {
        return node;
    }
    node->getChildren()->reserve(4);
    for (int child = 0; child < 4; ++child) {
        buildSphere(node, direction == child, pathIndex + 1, kChildren[child].position, kChildren[child].rotation,
                    depth - 1);
    }
    return node;
}
