#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class MeshObject;

// Many copies of one small mesh, each under its own transform and colour. On the literal draw path every
// copy is drawn as it is added, one draw each under its own matrix; on the resident path the copies are
// transformed on the processor into one array and drawn together when the batch fills up or is drawn.
// Positions and normals come out as GL would transform them (normals by the inverse transpose, so a
// scaled copy lights as it did under its own matrix with GL_NORMALIZE off). Textures are not drawn.
class InstanceBatch {
public:
    enum class Primitives {
        Triangles,
        // The shape's edges once each as lines: for wireframes drawn without face culling or blending.
        UniqueEdges,
    };

    enum class Order {
        AsAdded,
        // Nearest the eye first, by the depth of each copy's origin under the frame: for opaque copies under
        // a depth test, where the order changes no pixel and the driver skips shading what is hidden.
        NearestFirst,
    };

    // `shape` gives the triangles, normals and colours every copy shares (its arrays are read here, once);
    // `capacity` copies are drawn together. `polygonMode` (GL_FILL or GL_LINE), when not 0, is set for
    // every copy; 0 leaves the caller's. The buffers are made here when GL is ready, else at the first draw.
    InstanceBatch(MeshObject& shape, unsigned capacity, Primitives primitives, unsigned polygonMode = 0,
                  Order order = Order::AsAdded);
    ~InstanceBatch();
    InstanceBatch(const InstanceBatch&) = delete;
    InstanceBatch& operator=(const InstanceBatch&) = delete;

    // A copy of `mesh` under its own transform (rebuilt from its position, rotation and scale), in `rgba`
    // when the shape has no colours of its own; literally, `mesh.draw()` after glColor4fv(rgba).
    void addMesh(MeshObject& mesh, const float* rgba);
    // A copy of the shape under `model`, a transform computed by the caller, in `rgba` when the shape has no
    // colours of its own. Literally: glColor4fv(rgba), the polygon mode, then the shape's geometry under
    // glMultMatrixf(model) between a push and a pop; its normal array stays on, for the caller to turn off
    // after the last copy.
    void addTransformed(const float* model, const float* rgba);
    // The modelview matrix in effect where the copies are drawn, as the caller built it for GL. Copies added
    // after this are transformed by it too and drawn in eye coordinates, so positions far from the origin
    // round as they do under GL's own matrix product rather than losing the small offsets of small copies.
    void setFrame(const float* modelview);
    // Draws what was added since the last draw.
    void draw();

private:
    struct Vertex {
        float position[3];
        float normal[3];
        float color[4];
    };

    struct Copy {
        float matrix[16];
        float rgba[4];
    };

    void add(const float* matrix, const float* rgba);
    // Transforms the shape under `m` into the stream at copy `slot`, which is drawn in `rgba`.
    void writeCopy(const float* m, const float* rgba, unsigned slot);
    // Every vertex's colour, after the transformed vertices, for the first `copies` copies.
    void writeColours(unsigned copies);
    void setPolygonMode() const;
    bool batching() const;
    void createBuffers();

    MeshObject* shapeMesh; // drawn as itself on the literal path
    std::vector<Vertex> shapeVertices; // welded: equal vertices of the shape kept once
    std::vector<float> shapeAttributes; // the welded vertices' positions, and normals where it has them
    std::vector<std::uint32_t> shapeElements;
    bool shapeHasNormals = false;
    bool shapeHasColors = false;
    bool drawsColors = false;
    // Copies of one colour are drawn in it as the current colour, without a colour array.
    bool coloursVary = false;
    unsigned capacity;
    unsigned polygonMode;
    unsigned glPrimitive;
    unsigned floatsPerVertex = 3;
    // The transformed vertices of every copy, then room for their colours where the copies differ in colour.
    std::vector<float> stream;
    std::size_t colourStart = 0;
    std::vector<float> copyColours; // four floats a copy
    unsigned instances = 0;
    unsigned vertexBuffer = 0;
    unsigned colourBuffer = 0;
    unsigned elementBuffer = 0;
    std::vector<std::uint32_t> pendingElements; // until the element buffer is made
    float frame[16] = {};
    bool framed = false;
    Order order;
    // Nearest first: the copies wait here until the draw sorts them.
    std::vector<Copy> waiting;
    std::vector<std::uint32_t> sorted;
    float firstRgba[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float lastRgba[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
