#pragma once

#include "geometry/GraphicsObject.h"
#include "geometry/ShaderProgram.h"

#include <cstdint>
#include <memory>
#include <vector>

class FacingEdgeList;

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

    // The mesh promises that its arrays no longer change (the draw range may still move). On the resident
    // draw path they go into buffer objects now, each part once (a long mesh only as far as its draws have
    // reached, the rest as they move on), and every later draw reads them there. The upload waits for the
    // first draw where GL is not ready yet; on the literal path nothing happens.
    void makeResident();
    // Says how the mesh is drawn from now on: Off as triangles in whatever polygon mode is set; otherwise as a
    // wireframe, under line-mode polygons with face culling off and the whole mesh in range. On the resident
    // draw path a wireframe is drawn as lines over its edges in the given order, which light and colour each
    // pixel as the line-mode triangles do, without the driver's polygon-to-line stage. The index array must
    // not change after the first call with an order; positions, normals and colours may. FacingEdges is for
    // wireframes under back-face culling: the edges of the triangles in range that face the eye, each once,
    // found from the frame of setViewFrame; neither indices nor positions may change after the first call.
    enum class Wireframe { Off, UniqueEdges, EdgesPerTriangle, FacingEdges };
    void setWireframe(Wireframe mode);
    // The modelview the scene has set when it draws the mesh, for finding on the processor what faces the eye.
    // The projection must not mirror.
    void setViewFrame(const float* modelview);

private:
    enum BufferSlot { VertexBuffer, NormalBuffer, TexCoordBuffer, ColorBuffer, IndexBuffer, BufferSlotCount };

    bool isTextured() const;
    bool isResident() const { return residentBuffers[VertexBuffer] != 0; }
    void releaseShaderProgram();
    // The resident path: attributes from buffer objects or client arrays, triangles or the edge list.
    bool drawResident();
    // Draws the facing edges of the range as lines; false when the mesh cannot draw them yet.
    bool drawFacingEdges();
    void drawClientArrays();
    void bindAttribute(BufferSlot slot, const float* clientArray);
    // Every attribute the mesh draws with, from the buffers when resident.
    void bindAttributes();
    // Bytes of vertex data a client-array draw of the current range hands to GL.
    std::uint64_t clientBytes(std::uint64_t firstIndex, std::uint64_t indexCount) const;
    std::uint64_t bytesPerVertex() const;
    void uploadResident();
    // Uploads the triangles up to `endTriangle` and the vertices they use; false when they cannot be.
    bool extendResident(unsigned endTriangle);

    int vertexCount;
    int normalCount;
    int texCoordCount;
    int colorCount;
    unsigned triangleCount;
    // How many triangles the index array holds: the constructor's count, whatever range is drawn later.
    unsigned indexTriangles;
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
    unsigned residentBuffers[BufferSlotCount] = {};
    bool residentWanted = false;
    // How much of the arrays the buffers hold: a prefix of the triangles and of the vertices.
    unsigned residentTriangles = 0;
    std::uint32_t residentVertices = 0;
    // The edge lists of the two wireframe orders, made when first asked for, and their element buffers.
    struct Edges {
        std::vector<std::uint32_t> lines;
        unsigned buffer = 0;
    };
    Edges edges[2];
    Wireframe wireframe = Wireframe::Off;
    std::unique_ptr<FacingEdgeList> facingEdges;
    float viewFrame[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                           0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    unsigned edgeTriangleCount = 0;
};
