#include "geometry/RecursiveSphereObject.h"

#include "geometry/InstanceBatch.h"
#include "geometry/MeshObject.h"

#include <GL/glew.h>

RecursiveSphereObject::RecursiveSphereObject(MeshObject* mesh, bool onPath) : mesh(mesh), onPath(onPath) {}

void RecursiveSphereObject::draw() {}

void RecursiveSphereObject::drawTransformed()
{
    glPushMatrix();
    glMultMatrixf(matrix);
    mesh->drawGeometry();
    glPopMatrix();
}

void RecursiveSphereObject::drawChildren() {}

unsigned RecursiveSphereObject::getPolygonCount() { return mesh->getPolygonCount(); }

void RecursiveSphereObject::drawTree(int minLevel, int level, const float* pathColour, InstanceBatch& pathBatch,
                                     InstanceBatch& branchBatch)
{
    static constexpr float kBranchColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float pathRgba[4] = {pathColour[0], pathColour[1], pathColour[2], 0.8f};
    auto drawNode = [&](RecursiveSphereObject& node) {
        if (node.onPath) {
            pathBatch.addNode(node, pathRgba);
        } else {
            branchBatch.addNode(node, kBranchColour);
        }
    };
    walkTree(minLevel, level, drawNode);
    pathBatch.draw();
    branchBatch.draw();
    // drawGeometry leaves the shared mesh's normal array enabled; a later draw without normals must
    // not read it.
    glDisableClientState(GL_NORMAL_ARRAY);
}
