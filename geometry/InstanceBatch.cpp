#include "geometry/InstanceBatch.h"

#include "geometry/BufferUpload.h"
#include "geometry/DrawCounter.h"
#include "geometry/DrawPath.h"
#include "geometry/EdgeList.h"
#include "geometry/Matrix4.h"
#include "geometry/MeshObject.h"

#include "gl/GL.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

InstanceBatch::InstanceBatch(MeshObject& shape, unsigned capacity, Primitives primitives, unsigned polygonMode,
                             Order order)
    : capacity(std::max(1u, capacity)), polygonMode(polygonMode),
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
    stream.resize(shapeVertices.size() * this->capacity);
    if (bufferObjectsReady()) {
        createBuffers();
    }
}

void InstanceBatch::createBuffers()
{
    elementBuffer = uploadStaticBuffer(GL_ELEMENT_ARRAY_BUFFER, pendingElements.data(), pendingElements.size() * 4);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    gl::genBuffers(1, &vertexBuffer);
    std::vector<std::uint32_t>().swap(pendingElements);
}

bool InstanceBatch::batching() const { return !DrawPath::isLiteral() && !stream.empty(); }

InstanceBatch::~InstanceBatch()
{
    if (vertexBuffer != 0) {
        gl::deleteBuffers(1, &vertexBuffer);
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
    if (instances == 0) {
        drawsColors = shapeHasColors || rgba != nullptr;
    }
    if (order == Order::NearestFirst) {
        Copy copy{};
        std::copy(m, m + 16, copy.matrix);
        copy.coloured = rgba != nullptr;
        if (rgba != nullptr) {
            std::copy(rgba, rgba + 4, copy.rgba);
            std::copy(rgba, rgba + 4, lastRgba);
        }
        waiting.push_back(copy);
    } else if (DrawPath::stateOnly()) {
        // Nothing is drawn: only the colour the copy's last vertex leaves current is needed.
        Vertex& last = stream[std::size_t{instances + 1} * shapeVertices.size() - 1];
        const float* colour = shapeHasColors || rgba == nullptr ? shapeVertices.back().color : rgba;
        std::memcpy(last.color, colour, sizeof last.color);
    } else {
        writeCopy(m, rgba, instances);
    }
    ++instances;
}

void InstanceBatch::writeCopy(const float* m, const float* rgba, unsigned slot)
{
    float n[9];
    Matrix4::normalMatrix(m, n);
    Vertex* out = stream.data() + std::size_t{slot} * shapeVertices.size();
    for (const Vertex& in : shapeVertices) {
        const float x = in.position[0], y = in.position[1], z = in.position[2];
        out->position[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
        out->position[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
        out->position[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
        const float nx = in.normal[0], ny = in.normal[1], nz = in.normal[2];
        out->normal[0] = n[0] * nx + n[3] * ny + n[6] * nz;
        out->normal[1] = n[1] * nx + n[4] * ny + n[7] * nz;
        out->normal[2] = n[2] * nx + n[5] * ny + n[8] * nz;
        if (shapeHasColors || rgba == nullptr) {
            std::memcpy(out->color, in.color, sizeof out->color);
        } else {
            std::memcpy(out->color, rgba, sizeof out->color);
        }
        ++out;
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
            writeCopy(copy.matrix, copy.coloured ? copy.rgba : nullptr, slot);
        }
        waiting.clear();
    }
    setPolygonMode();
    gl::disable(GL_RESCALE_NORMAL);
    if (framed) {
        gl::pushMatrix();
        gl::loadIdentity();
    }
    const std::size_t vertexCount = std::size_t{instances} * shapeVertices.size();
    const std::size_t bytes = vertexCount * sizeof(Vertex);
    gl::bindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    // A new store each time: the driver need not wait for the last frame's draw to finish with the old one.
    if (!DrawPath::stateOnly()) {
        gl::bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), stream.data(), GL_STREAM_DRAW);
    }
    gl::enableClientState(GL_VERTEX_ARRAY);
    gl::vertexPointer(3, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, position)));
    if (shapeHasNormals) {
        gl::enableClientState(GL_NORMAL_ARRAY);
        gl::normalPointer(GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    }
    if (drawsColors) {
        gl::enableClientState(GL_COLOR_ARRAY);
        gl::colorPointer(4, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, color)));
    }
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
    if (!DrawPath::stateOnly()) {
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
    if (drawsColors && !shapeHasColors) {
        // As after the literal copies: the colour of the copy added last stays current.
        gl::color4fv(order == Order::NearestFirst ? lastRgba : stream[vertexCount - 1].color);
    }
    instances = 0;
}
