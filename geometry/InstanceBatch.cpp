#include "geometry/InstanceBatch.h"

#include "geometry/BufferUpload.h"
#include "geometry/DrawCounter.h"
#include "geometry/DrawPath.h"
#include "geometry/EdgeList.h"
#include "math/Matrix4.h"
#include "geometry/MeshObject.h"

#include "gl/GL.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

InstanceBatch::InstanceBatch(MeshObject& shape, unsigned capacity, Primitives primitives, unsigned polygonMode,
                             Order order)
    : shapeMesh(&shape), capacity(std::max(1u, capacity)), polygonMode(polygonMode),
      glPrimitive(primitives == Primitives::UniqueEdges ? GL_LINES : GL_TRIANGLES), order(order)
{
    if (DrawPath::isLiteral()) {
        return;
    }
    if (order == Order::NearestFirst) {
        waiting.reserve(this->capacity);
        sorted.reserve(this->capacity);
    }
    const float* positions = shape.getVertices();
    const float* normals = shape.getNormals();
    const float* colors = shape.getColors();
    const std::uint32_t* indices = shape.getIndices();
    shapeHasNormals = normals != nullptr;
    shapeHasColors = colors != nullptr;
    if (positions == nullptr || indices == nullptr) {
        return;
    }

    // Copies that share every attribute are one vertex, so each copy transforms as few as it can.
    std::map<std::array<float, 10>, std::uint32_t> welded;
    std::vector<std::uint32_t> triangles;
    const unsigned triangleCount = shape.getPolygonCount();
    for (std::size_t k = 0; k < std::size_t{triangleCount} * 3; ++k) {
        const std::uint32_t v = indices[k];
        Vertex vertex{{positions[3 * v], positions[3 * v + 1], positions[3 * v + 2]}, {0, 0, 1}, {1, 1, 1, 1}};
        if (normals != nullptr) {
            std::copy_n(normals + 3 * v, 3, vertex.normal);
        }
        if (colors != nullptr) {
            std::copy_n(colors + 4 * v, 4, vertex.color);
        }
        std::array<float, 10> key;
        static_assert(sizeof key == sizeof vertex, "a vertex is ten floats");
        std::memcpy(key.data(), &vertex, sizeof key);
        const auto found = welded.emplace(key, static_cast<std::uint32_t>(shapeVertices.size()));
        if (found.second) {
            shapeVertices.push_back(vertex);
        }
        triangles.push_back(found.first->second);
    }
    if (primitives == Primitives::Triangles) {
        shapeElements = triangles;
    } else {
        shapeElements = EdgeList::linesOf(triangles.data(), triangles.size() / 3, EdgeList::Order::Unique);
    }

    // The copies' elements never change: each copy's are the shape's, moved past the copies before it.
    pendingElements.reserve(shapeElements.size() * this->capacity);
    const auto shapeSize = static_cast<std::uint32_t>(shapeVertices.size());
    for (std::uint32_t copy = 0; copy < this->capacity; ++copy) {
        for (std::uint32_t element : shapeElements) {
            pendingElements.push_back(element + copy * shapeSize);
        }
    }
    floatsPerVertex = shapeHasNormals ? 6 : 3;
    // One array per coordinate, so that the compiler transforms several vertices at once.
    for (int coordinate = 0; coordinate < static_cast<int>(floatsPerVertex); ++coordinate) {
        for (const Vertex& vertex : shapeVertices) {
            shapeAttributes.push_back(coordinate < 3 ? vertex.position[coordinate] : vertex.normal[coordinate - 3]);
        }
    }
    const std::size_t streamVertices = shapeVertices.size() * this->capacity;
    colourStart = streamVertices * floatsPerVertex;
    stream.resize(colourStart + streamVertices * 4);
    copyColours.resize(std::size_t{this->capacity} * 4);
    if (bufferObjectsReady()) {
        createBuffers();
    }
}

void InstanceBatch::createBuffers()
{
    elementBuffer = uploadStaticBuffer(GL_ELEMENT_ARRAY_BUFFER, pendingElements.data(), pendingElements.size() * 4);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    gl::genBuffers(1, &vertexBuffer);
    gl::genBuffers(1, &colourBuffer);
    std::vector<std::uint32_t>().swap(pendingElements);
}

bool InstanceBatch::batching() const { return !DrawPath::isLiteral() && !stream.empty(); }

InstanceBatch::~InstanceBatch()
{
    if (vertexBuffer != 0) {
        gl::deleteBuffers(1, &vertexBuffer);
    }
    if (colourBuffer != 0) {
        gl::deleteBuffers(1, &colourBuffer);
    }
    if (elementBuffer != 0) {
        gl::deleteBuffers(1, &elementBuffer);
    }
}

void InstanceBatch::setPolygonMode() const
{
    if (polygonMode != 0) {
        gl::polygonMode(GL_FRONT_AND_BACK, polygonMode);
    }
}

void InstanceBatch::addMesh(MeshObject& mesh, const float* rgba)
{
    if (!batching()) {
        setPolygonMode();
        if (rgba != nullptr) {
            gl::color4fv(rgba);
        }
        mesh.draw();
        return;
    }
    mesh.updateMatrix();
    add(mesh.getMatrix(), rgba);
}

void InstanceBatch::addTransformed(const float* model, const float* rgba)
{
    if (!batching()) {
        if (rgba != nullptr) {
            gl::color4fv(rgba);
        }
        setPolygonMode();
        gl::pushMatrix();
        gl::multMatrixf(model);
        shapeMesh->drawGeometry();
        gl::popMatrix();
        return;
    }
    add(model, rgba);
}

void InstanceBatch::setFrame(const float* modelview)
{
    std::copy(modelview, modelview + 16, frame);
    framed = true;
}

void InstanceBatch::add(const float* model, const float* rgba)
{
    if (instances == capacity) {
        draw();
    }
    float placed[16];
    const float* m = model;
    if (framed) {
        Matrix4::multiply(frame, model, placed);
        m = placed;
    }
    // Where the shape has colours they are drawn; a copy with none of its own is white, the shape's default.
    static constexpr float kShapeColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float* colour = shapeHasColors || rgba == nullptr ? kShapeColour : rgba;
    if (instances == 0) {
        drawsColors = shapeHasColors || rgba != nullptr;
        coloursVary = false;
        std::copy_n(colour, 4, firstRgba);
    } else if (!std::equal(colour, colour + 4, firstRgba)) {
        coloursVary = true;
    }
    std::copy_n(colour, 4, lastRgba);
    if (order == Order::NearestFirst) {
        Copy copy{};
        std::copy(m, m + 16, copy.matrix);
        std::copy_n(colour, 4, copy.rgba);
        waiting.push_back(copy);
    } else if (!DrawPath::stateOnly()) {
        writeCopy(m, colour, instances);
    }
    ++instances;
}

void InstanceBatch::writeCopy(const float* m, const float* rgba, unsigned slot)
{
    std::copy_n(rgba, 4, copyColours.data() + std::size_t{slot} * 4);
    // Locals and unaliased arrays let the compiler transform several vertices at once; each sum still adds up in
    // GL's order.
    const float m0 = m[0], m1 = m[1], m2 = m[2], m4 = m[4], m5 = m[5], m6 = m[6], m8 = m[8], m9 = m[9], m10 = m[10],
                m12 = m[12], m13 = m[13], m14 = m[14];
    const std::size_t count = shapeVertices.size();
    const float* __restrict xs = shapeAttributes.data();
    const float* __restrict ys = xs + count;
    const float* __restrict zs = ys + count;
    float* __restrict out = stream.data() + std::size_t{slot} * count * floatsPerVertex;
    if (!shapeHasNormals) {
        for (std::size_t v = 0; v < count; ++v) {
            const float x = xs[v], y = ys[v], z = zs[v];
            out[3 * v] = m0 * x + m4 * y + m8 * z + m12;
            out[3 * v + 1] = m1 * x + m5 * y + m9 * z + m13;
            out[3 * v + 2] = m2 * x + m6 * y + m10 * z + m14;
        }
        return;
    }
    float n[9];
    Matrix4::normalMatrix(m, n);
    const float n0 = n[0], n1 = n[1], n2 = n[2], n3 = n[3], n4 = n[4], n5 = n[5], n6 = n[6], n7 = n[7], n8 = n[8];
    const float* __restrict nxs = zs + count;
    const float* __restrict nys = nxs + count;
    const float* __restrict nzs = nys + count;
    for (std::size_t v = 0; v < count; ++v) {
        const float x = xs[v], y = ys[v], z = zs[v];
        out[6 * v] = m0 * x + m4 * y + m8 * z + m12;
        out[6 * v + 1] = m1 * x + m5 * y + m9 * z + m13;
        out[6 * v + 2] = m2 * x + m6 * y + m10 * z + m14;
        const float nx = nxs[v], ny = nys[v], nz = nzs[v];
        out[6 * v + 3] = n0 * nx + n3 * ny + n6 * nz;
        out[6 * v + 4] = n1 * nx + n4 * ny + n7 * nz;
        out[6 * v + 5] = n2 * nx + n5 * ny + n8 * nz;
    }
}

void InstanceBatch::writeColours(unsigned copies)
{
    float* out = stream.data() + colourStart;
    for (unsigned slot = 0; slot < copies; ++slot) {
        const float* rgba = copyColours.data() + std::size_t{slot} * 4;
        for (const Vertex& vertex : shapeVertices) {
            std::copy_n(shapeHasColors ? vertex.color : rgba, 4, out);
            out += 4;
        }
    }
}

void InstanceBatch::draw()
{
    if (instances == 0) {
        return;
    }
    if (elementBuffer == 0) {
        createBuffers();
    }
    if (order == Order::NearestFirst && DrawPath::stateOnly()) {
        waiting.clear();
    } else if (order == Order::NearestFirst) {
        // Eye-space depth grows towards the eye; equal depths keep the order they were added in.
        sorted.resize(waiting.size());
        for (std::uint32_t i = 0; i < sorted.size(); ++i) {
            sorted[i] = i;
        }
        std::sort(sorted.begin(), sorted.end(), [this](std::uint32_t a, std::uint32_t b) {
            const float depthA = waiting[a].matrix[14];
            const float depthB = waiting[b].matrix[14];
            return depthA > depthB || (depthA == depthB && a < b);
        });
        for (unsigned slot = 0; slot < sorted.size(); ++slot) {
            const Copy& copy = waiting[sorted[slot]];
            writeCopy(copy.matrix, copy.rgba, slot);
        }
        waiting.clear();
    }
    setPolygonMode();
    gl::disable(GL_RESCALE_NORMAL);
    if (framed) {
        gl::pushMatrix();
        gl::loadIdentity();
    }
    const bool submit = !DrawPath::stateOnly();
    const std::size_t vertexCount = std::size_t{instances} * shapeVertices.size();
    const auto stride = static_cast<GLsizei>(floatsPerVertex * sizeof(float));
    std::size_t bytes = vertexCount * floatsPerVertex * sizeof(float);
    gl::bindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    // A new store each time: the driver need not wait for the last frame's draw to finish with the old one.
    if (submit) {
        gl::bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), stream.data(), GL_STREAM_DRAW);
    }
    gl::enableClientState(GL_VERTEX_ARRAY);
    gl::vertexPointer(3, GL_FLOAT, stride, nullptr);
    if (shapeHasNormals) {
        gl::enableClientState(GL_NORMAL_ARRAY);
        gl::normalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    }
    const bool colourArray = drawsColors && (shapeHasColors || coloursVary);
    if (colourArray) {
        gl::bindBuffer(GL_ARRAY_BUFFER, colourBuffer);
        if (submit) {
            writeColours(instances);
            const std::size_t colourBytes = vertexCount * 4 * sizeof(float);
            gl::bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(colourBytes), stream.data() + colourStart,
                           GL_STREAM_DRAW);
            bytes += colourBytes;
        }
        gl::enableClientState(GL_COLOR_ARRAY);
        gl::colorPointer(4, GL_FLOAT, 0, nullptr);
    } else if (drawsColors) {
        gl::color4fv(firstRgba);
    }
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
    if (submit) {
        gl::drawRangeElements(glPrimitive, 0, static_cast<GLuint>(vertexCount - 1),
                            static_cast<GLsizei>(shapeElements.size() * instances), GL_UNSIGNED_INT, nullptr);
        DrawCounter::countDraw(bytes);
    }
    gl::bindBuffer(GL_ARRAY_BUFFER, 0);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    gl::disableClientState(GL_VERTEX_ARRAY);
    gl::disableClientState(GL_NORMAL_ARRAY);
    gl::disableClientState(GL_COLOR_ARRAY);
    if (framed) {
        gl::popMatrix();
    }
    if (colourArray && !shapeHasColors) {
        // As after the literal copies: the colour of the copy added last stays current.
        gl::color4fv(lastRgba);
    }
    instances = 0;
}
