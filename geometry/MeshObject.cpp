#include "geometry/MeshObject.h"

#include <GL/glew.h>

MeshObject::MeshObject(float* vertices, float* normals, float* texCoords, float* colors, std::uint32_t* indices,
                       int vertexCount, int normalCount, int texCoordCount, int colorCount, unsigned triangleCount)
    : vertexCount(vertexCount), normalCount(normalCount), texCoordCount(texCoordCount), colorCount(colorCount),
      triangleCount(triangleCount), vertices(vertices), normals(normals), texCoords(texCoords), colors(colors),
      indices(indices), hasNormals(normals != nullptr), hasTexCoords(texCoords != nullptr)
{
}

MeshObject::~MeshObject()
{
    vertices.reset();
    indices.reset();
    normals.reset();
    texCoords.reset();
    colors.reset();
    releaseShaderProgram();
    if (renderMode == RenderMode::DisplayList) {
        glDeleteLists(displayList, 1);
    } else if (renderMode == RenderMode::BufferObjects) {
        glDeleteBuffers(BufferSlotCount, bufferIds);
    }
}

void MeshObject::releaseShaderProgram()
{
    if (shaderProgram == nullptr) {
        return;
    }
    if (shaderProgram->referenceCount == 0) {
        glDetachShader(shaderProgram->program, shaderProgram->vertexShader);
        glDetachShader(shaderProgram->program, shaderProgram->fragmentShader);
        glDeleteShader(shaderProgram->vertexShader);
        glDeleteShader(shaderProgram->fragmentShader);
        glDeleteProgram(shaderProgram->program);
        delete shaderProgram;
    } else {
        --shaderProgram->referenceCount;
    }
    shaderProgram = nullptr;
}

void MeshObject::setShaderProgram(ShaderProgram* program)
{
    releaseShaderProgram();
    shaderProgram = program;
}

bool MeshObject::isTextured() const { return hasTexCoords && texture != 0; }

void MeshObject::draw()
{
    glDisable(GL_RESCALE_NORMAL);
    if (shaderProgram != nullptr && shaderProgram->enabled) {
        glUseProgram(shaderProgram->program);
    }
    drawTransformed();
    if (hasNormals) {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    if (isTextured()) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_2D);
    }
    if (colors) {
        glDisableClientState(GL_COLOR_ARRAY);
    }
}

void MeshObject::drawTransformed()
{
    updateMatrix();
    glPushMatrix();
    glMultMatrixf(matrix);
    drawGeometry();
    drawChildren();
    glPopMatrix();
}

void MeshObject::drawChildren()
{
    for (unsigned i = 0; i < getChildCount(); ++i) {
        getChild(i)->draw();
    }
}

unsigned MeshObject::getPolygonCount()
{
    unsigned count = triangleCount;
    for (GraphicsObject* child : children) {
        count += child->getPolygonCount();
    }
    return count;
}

void MeshObject::drawGeometry()
{
    glEnableClientState(GL_VERTEX_ARRAY);
    switch (renderMode) {
    case RenderMode::ClientArrays:
        // A mesh whose arrays were released has nothing left to draw from.
        if (!vertices || !indices) {
            break;
        }
        glVertexPointer(3, GL_FLOAT, 0, vertices.get());
        if (normals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, normals.get());
        }
        if (isTextured() && texCoords) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glTexCoordPointer(2, GL_FLOAT, 0, texCoords.get());
        }
        if (colors) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, colors.get());
        }
        if (triangleCount > 0) {
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_INT,
                           indices.get() + static_cast<std::ptrdiff_t>(firstTriangle) * 3);
        }
        break;
    case RenderMode::DisplayList:
        glCallList(displayList);
        break;
    case RenderMode::BufferObjects:
        if (hasNormals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glBindBuffer(GL_ARRAY_BUFFER, bufferIds[NormalBuffer]);
            glNormalPointer(GL_FLOAT, 0, nullptr);
        }
        if (isTextured()) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glBindBuffer(GL_ARRAY_BUFFER, bufferIds[TexCoordBuffer]);
            glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        }
        if (colors) {
            glEnableClientState(GL_COLOR_ARRAY);
            glBindBuffer(GL_ARRAY_BUFFER, bufferIds[ColorBuffer]);
            glColorPointer(4, GL_FLOAT, 0, nullptr);
        }
        glBindBuffer(GL_ARRAY_BUFFER, bufferIds[VertexBuffer]);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bufferIds[IndexBuffer]);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_INT, nullptr);
        // Later client-array draws must not read through these bindings.
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        break;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

GraphicsObject* MeshObject::getParentObject() { return parent; }

void MeshObject::setDrawRange(int first, unsigned count)
{
    firstTriangle = first;
    triangleCount = count;
}

void MeshObject::appendChild(GraphicsObject* child) { children.push_back(child); }

void MeshObject::releaseGeometry(bool recursive)
{
    vertices.reset();
    normals.reset();
    texCoords.reset();
    indices.reset();
    if (recursive) {
        for (GraphicsObject* child : children) {
            if (auto* mesh = dynamic_cast<MeshObject*>(child)) {
                mesh->releaseGeometry(true);
            }
        }
    }
}

float* MeshObject::getVertices() { return vertices.get(); }
float* MeshObject::getNormals() { return normals.get(); }
float* MeshObject::getColors() { return colors.get(); }
float* MeshObject::getTexCoords() { return texCoords.get(); }
std::uint32_t* MeshObject::getIndices() { return indices.get(); }
unsigned MeshObject::getTexture() { return texture; }
int MeshObject::getVertexCount() { return vertexCount; }
int MeshObject::getNormalCount() { return normalCount; }
int MeshObject::getTexCoordCount() { return texCoordCount; }
int MeshObject::getColorCount() { return colorCount; }

// The parent's rotation is not applied: only its position and scale.
Vector3 MeshObject::getWorldPosition()
{
    if (parent == nullptr) {
        return position;
    }
    auto* parentMesh = dynamic_cast<MeshObject*>(parent);
    const Vector3 origin = parentMesh ? parentMesh->getWorldPosition() : parent->getPosition();
    const Vector3 parentScale = parent->getScale();
    return {origin.x + position.x * parentScale.x, origin.y + position.y * parentScale.y,
            origin.z + position.z * parentScale.z};
}

void MeshObject::setTexture(unsigned newTexture) { texture = newTexture; }
RenderMode MeshObject::getRenderMode() { return renderMode; }

namespace {

GLuint uploadBuffer(GLenum target, const void* data, std::int64_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    return name;
}

} // namespace

void MeshObject::buildBufferObjects(bool recursive, bool releaseArrays)
{
    bufferIds[VertexBuffer] = uploadBuffer(GL_ARRAY_BUFFER, vertices.get(), std::int64_t{vertexCount} * 12);
    if (normals) {
        bufferIds[NormalBuffer] = uploadBuffer(GL_ARRAY_BUFFER, normals.get(), std::int64_t{normalCount} * 12);
    }
    if (texCoords) {
        bufferIds[TexCoordBuffer] = uploadBuffer(GL_ARRAY_BUFFER, texCoords.get(), std::int64_t{texCoordCount} * 8);
    }
    if (colors) {
        bufferIds[ColorBuffer] = uploadBuffer(GL_ARRAY_BUFFER, colors.get(), std::int64_t{colorCount} * 16);
    }
    bufferIds[IndexBuffer] =
        uploadBuffer(GL_ELEMENT_ARRAY_BUFFER, indices.get(), std::int64_t{triangleCount} * 12);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    renderMode = RenderMode::BufferObjects;
    if (recursive) {
        for (GraphicsObject* child : children) {
            if (auto* mesh = dynamic_cast<MeshObject*>(child)) {
                mesh->buildBufferObjects(true, releaseArrays);
            }
        }
    }
    if (releaseArrays) {
        releaseGeometry(true);
    }
}

void MeshObject::buildDisplayList(bool recursive, bool releaseArrays)
{
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    if (vertices && indices) {
        for (std::uint64_t i = 0; i < std::uint64_t{triangleCount} * 3; ++i) {
            const std::uint32_t v = indices[i];
            if (normals) {
                glNormal3fv(&normals[std::size_t{v} * 3]);
            }
            if (texCoords) {
                glTexCoord2fv(&texCoords[std::size_t{v} * 2]);
            }
            if (colors) {
                glColor4fv(&colors[std::size_t{v} * 4]);
            }
            glVertex3fv(&vertices[std::size_t{v} * 3]);
        }
    }
    glEnd();
    glEndList();
    renderMode = RenderMode::DisplayList;
    if (recursive) {
        for (GraphicsObject* child : children) {
            if (auto* mesh = dynamic_cast<MeshObject*>(child)) {
                mesh->buildDisplayList(true, releaseArrays);
            }
        }
    }
    if (releaseArrays) {
        releaseGeometry(true);
    }
}

void MeshObject::releaseColors() { colors.reset(); }
