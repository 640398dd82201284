#include "geometry/RecursiveSphereObject.h"

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

void RecursiveSphereObject::drawTree(int minLevel, int level, const float* pathColour)
{
    auto drawNode = [pathColour](RecursiveSphereObject& node) {
        if (node.onPath) {
            glColor4f(pathColour[0], pathColour[1], pathColour[2], 0.8f);
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        } else {
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        }
        node.drawTransformed();
    };
    walkTree(minLevel, level, drawNode);
    // drawGeometry leaves the shared mesh's normal array enabled; a later draw without normals must
    // not read it.
    glDisableClientState(GL_NORMAL_ARRAY);
}
