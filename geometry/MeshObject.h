#pragma once

#include "geometry/GraphicsObject.h"
#include "geometry/ShaderProgram.h"

#include <cstdint>
#include <memory>

enum class RenderMode { ClientArrays = 0, DisplayList = 1, BufferObjects = 2 };

// An indexed triangle mesh with separate position, normal, texture-coordinate and colour arrays.
// Scenes rewrite the arrays in place; the client-array path reads them at every draw.
class MeshObject : public GraphicsObject {
public:
    // Takes ownership of the arrays (allocated with new[]); any of them but vertices may be null.
    MeshObject(float* vertices, float* normals, float* texCoords, float* colors, std::uint32_t* indices,
               int vertexCount, int normalCount, int texCoordCount, int colorCount, unsigned triangleCount);
    ~MeshObject() override;

    void draw() override;
    void drawTransformed() override;
    void drawChildren() override;
    unsigned getPolygonCount() override;

    virtual GraphicsObject* getParentObject();
    // The caller keeps first + count within the index array.
    virtual void setDrawRange(int first, unsigned count);
    virtual void appendChild(GraphicsObject* child);
    virtual void releaseGeometry(bool recursive);
    virtual float* getVertices();
    virtual float* getNormals();
    virtual float* getColors();
    virtual float* getTexCoords();
    virtual std::uint32_t* getIndices();
    virtual unsigned getTexture();
    virtual int getVertexCount();
    virtual int getNormalCount();
    virtual int getTexCoordCount();
    virtual int getColorCount();
    virtual Vector3 getWorldPosition();
    virtual void setTexture(unsigned newTexture);
    virtual RenderMode getRenderMode();
    virtual void drawGeometry();
    virtual void buildBufferObjects(bool recursive, bool releaseArrays);
    virtual void buildDisplayList(bool recursive, bool releaseArrays);
    virtual void releaseColors();

    // Attaches a program; the mesh releases it on destruction (deleting it when it is the last holder).
    void setShaderProgram(ShaderProgram* program);

private:
    enum BufferSlot { VertexBuffer, NormalBuffer, TexCoordBuffer, ColorBuffer, IndexBuffer, BufferSlotCount };

    bool isTextured() const;
    void releaseShaderProgram();

    int vertexCount;
    int normalCount;
    int texCoordCount;
    int colorCount;
    unsigned triangleCount;
    int firstTriangle = 0;
    std::unique_ptr<float[]> vertices;
    std::unique_ptr<float[]> normals;
    std::unique_ptr<float[]> texCoords;
    std::unique_ptr<float[]> colors;
    std::unique_ptr<std::uint32_t[]> indices;
    unsigned texture = 0;
    ShaderProgram* shaderProgram = nullptr;
    unsigned bufferIds[BufferSlotCount] = {};
    unsigned displayList = 0;
    RenderMode renderMode = RenderMode::ClientArrays;
    // Which attributes the mesh was built with; survives releaseGeometry so the
    // buffer-object path keeps drawing them after the client arrays are gone.
    bool hasNormals;
    bool hasTexCoords;
};
