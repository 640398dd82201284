#include "geometry/RecursiveSphereObject.h"

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

void RecursiveSphereObject::drawTree(int minLevel, int level, const float* pathColour)
{
    auto drawNode = [pathColour](RecursiveSphereObject& node) {
        if (node.onPath) {
            gl::color4f(pathColour[0], pathColour[1], pathColour[2], 0.8f);
            gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
        } else {
            gl::color4f(1.0f, 1.0f, 1.0f, 1.0f);
            gl::polygonMode(GL_FRONT_AND_BACK, GL_LINE);
        }
        node.drawTransformed();
    };
    walkTree(minLevel, level, drawNode);
    // drawGeometry leaves the shared mesh's normal array enabled; a later draw without normals must
    // not read it.
    gl::disableClientState(GL_NORMAL_ARRAY);
}
