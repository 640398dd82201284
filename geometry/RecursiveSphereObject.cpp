#include "geometry/RecursiveSphereObject.h"

#include "geometry/DrawPath.h"
#include "geometry/InstanceBatch.h"
#include "geometry/MeshObject.h"

#include "gl/GL.h"

RecursiveSphereObject::RecursiveSphereObject(MeshObject* mesh, bool onPath) : mesh(mesh), onPath(onPath) {}

void RecursiveSphereObject::draw() {}

void RecursiveSphereObject::drawTransformed()
{
    gl::pushMatrix();
    gl::multMatrixf(matrix);
    mesh->drawGeometry();
    gl::popMatrix();
}

void RecursiveSphereObject::drawChildren() {}

unsigned RecursiveSphereObject::getPolygonCount() { return mesh->getPolygonCount(); }

void RecursiveSphereObject::drawTree(int minLevel, int level, const float* pathColour, InstanceBatch& pathSpheres,
                                     InstanceBatch& branchSpheres)
{
    static constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float solid[4] = {pathColour[0], pathColour[1], pathColour[2], 0.8f};
    const float* lastColour = nullptr;
    auto addNode = [&](RecursiveSphereObject& node) {
        lastColour = node.onPath ? solid : kWhite;
        (node.onPath ? pathSpheres : branchSpheres).addTransformed(node.matrix, lastColour);
    };
    walkTree(minLevel, level, addNode);
    // Opaque under the depth test: drawing each kind together changes only which of two equal depths wins.
    pathSpheres.draw();
    branchSpheres.draw();
    if (lastColour != nullptr && !DrawPath::isLiteral()) {
        // As after one draw per node: the last node's colour stays current.
        gl::color4fv(lastColour);
    }
    // The shared mesh's normal array is left enabled on the literal path; a later draw without normals must
    // not read it.
    gl::disableClientState(GL_NORMAL_ARRAY);
}
