#pragma once

#include "math/Vector3.h"

#include <memory>
#include <vector>

class MeshObject;
class RecursiveSphereObject;

// The fractal tree of spheres: every sphere has four smaller ones around it, and one branch, chosen
// by a list of child numbers, runs 40 levels deep. The branch carries a full subtree of depth four at
// every level (three side subtrees) and at its end. Every node's world matrix is computed here, once.
class SphereTree {
public:
    static constexpr int kPathLength = 40;
    static constexpr int kSubtreeDepth = 4;
    static constexpr float kChildScale = 0.6f;
    static constexpr float kChildDistance = 3.0f;

    // `directions` holds kPathLength child numbers, 0 … 3. The meshes stay the caller's.
    SphereTree(MeshObject* pathSphereMesh, MeshObject* branchSphereMesh, const std::vector<int>& directions);
    ~SphereTree();
    SphereTree(const SphereTree&) = delete;
    SphereTree& operator=(const SphereTree&) = delete;

    RecursiveSphereObject* getRoot() const { return rootSphere; }
    // The branch spheres, root first.
    const std::vector<RecursiveSphereObject*>& getPathSpheres() const { return pathSpheres; }
    int getSpheresCreated() const { return spheresCreated; }

private:
    RecursiveSphereObject* buildSphere(RecursiveSphereObject* parent, bool onPath, int pathIndex,
                                       const Vector3& position, const Vector3& rotation, int depth);

    MeshObject* pathSphereMesh;
    MeshObject* branchSphereMesh;
    std::vector<int> directions;
    std::vector<std::unique_ptr<RecursiveSphereObject>> nodes; // a node does not own its children
    std::vector<RecursiveSphereObject*> pathSpheres;
    RecursiveSphereObject* rootSphere = nullptr;
    int spheresCreated = 0;
};
