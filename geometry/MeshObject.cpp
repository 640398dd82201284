#include "geometry/MeshObject.h"

#include "geometry/BufferUpload.h"
#include "geometry/DrawCounter.h"
#include "geometry/DrawPath.h"
#include "geometry/EdgeList.h"
#include "geometry/FacingEdgeList.h"
#include "math/Matrix4.h"

#include "gl/GL.h"

#include <algorithm>
#include <utility>

namespace {

// Longer meshes are uploaded only as far as their draw range has reached, doubling each time: the tunnel's
// tube, drawn a window at a time, never reaches most of its length.
constexpr unsigned kWholeUploadTriangles = 65536;

} // namespace

MeshObject::MeshObject(float* vertices, float* normals, float* texCoords, float* colors, std::uint32_t* indices,
                       int vertexCount, int normalCount, int texCoordCount, int colorCount, unsigned triangleCount)
    : vertexCount(vertexCount), normalCount(normalCount), texCoordCount(texCoordCount), colorCount(colorCount),
      triangleCount(triangleCount), indexTriangles(triangleCount), vertices(vertices), normals(normals),
      texCoords(texCoords), colors(colors), indices(indices), hasNormals(normals != nullptr),
      hasTexCoords(texCoords != nullptr)
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
        gl::deleteLists(displayList, 1);
    } else if (renderMode == RenderMode::BufferObjects) {
        gl::deleteBuffers(BufferSlotCount, bufferIds);
    }
    if (isResident()) {
        gl::deleteBuffers(BufferSlotCount, residentBuffers);
    }
    for (Edges& list : edges) {
        if (list.buffer != 0) {
            gl::deleteBuffers(1, &list.buffer);
        }
    }
}

void MeshObject::releaseShaderProgram()
{
    if (shaderProgram == nullptr) {
        return;
    }
    if (shaderProgram->referenceCount == 0) {
        gl::detachShader(shaderProgram->program, shaderProgram->vertexShader);
        gl::detachShader(shaderProgram->program, shaderProgram->fragmentShader);
        gl::deleteShader(shaderProgram->vertexShader);
        gl::deleteShader(shaderProgram->fragmentShader);
        gl::deleteProgram(shaderProgram->program);
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
    gl::disable(GL_RESCALE_NORMAL);
    if (shaderProgram != nullptr && shaderProgram->enabled) {
        gl::useProgram(shaderProgram->program);
    }
    drawTransformed();
    if (hasNormals) {
        gl::disableClientState(GL_NORMAL_ARRAY);
    }
    if (isTextured()) {
        gl::disableClientState(GL_TEXTURE_COORD_ARRAY);
        gl::disable(GL_TEXTURE_2D);
    }
    if (colors) {
        gl::disableClientState(GL_COLOR_ARRAY);
    }
}

void MeshObject::drawTransformed()
{
    updateMatrix();
    gl::pushMatrix();
    gl::multMatrixf(matrix);
    drawGeometry();
    drawChildren();
    gl::popMatrix();
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
    gl::enableClientState(GL_VERTEX_ARRAY);
    switch (renderMode) {
    case RenderMode::ClientArrays:
        if (!DrawPath::isLiteral() && drawResident()) {
            break;
        }
        drawClientArrays();
        break;
    case RenderMode::DisplayList:
        gl::callList(displayList);
        DrawCounter::countDraw(0);
        break;
    case RenderMode::BufferObjects:
        if (hasNormals) {
            gl::enableClientState(GL_NORMAL_ARRAY);
            gl::bindBuffer(GL_ARRAY_BUFFER, bufferIds[NormalBuffer]);
            gl::normalPointer(GL_FLOAT, 0, nullptr);
        }
        if (isTextured()) {
            gl::enableClientState(GL_TEXTURE_COORD_ARRAY);
            gl::enable(GL_TEXTURE_2D);
            gl::bindTexture(GL_TEXTURE_2D, texture);
            gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            gl::bindBuffer(GL_ARRAY_BUFFER, bufferIds[TexCoordBuffer]);
            gl::texCoordPointer(2, GL_FLOAT, 0, nullptr);
        }
        if (colors) {
            gl::enableClientState(GL_COLOR_ARRAY);
            gl::bindBuffer(GL_ARRAY_BUFFER, bufferIds[ColorBuffer]);
            gl::colorPointer(4, GL_FLOAT, 0, nullptr);
        }
        gl::bindBuffer(GL_ARRAY_BUFFER, bufferIds[VertexBuffer]);
        gl::vertexPointer(3, GL_FLOAT, 0, nullptr);
        gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, bufferIds[IndexBuffer]);
        if (!DrawPath::stateOnly()) {
            gl::drawElements(GL_TRIANGLES, static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_INT, nullptr);
            DrawCounter::countDraw(0);
        }
        // Later client-array draws must not read through these bindings.
        gl::bindBuffer(GL_ARRAY_BUFFER, 0);
        gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        break;
    }
    gl::disableClientState(GL_VERTEX_ARRAY);
}

void MeshObject::drawClientArrays()
{
    // A mesh whose arrays were released has nothing left to draw from.
    if (!vertices || !indices) {
        return;
    }
    gl::vertexPointer(3, GL_FLOAT, 0, vertices.get());
    if (normals) {
        gl::enableClientState(GL_NORMAL_ARRAY);
        gl::normalPointer(GL_FLOAT, 0, normals.get());
    }
    if (isTextured() && texCoords) {
        gl::enableClientState(GL_TEXTURE_COORD_ARRAY);
        gl::enable(GL_TEXTURE_2D);
        gl::bindTexture(GL_TEXTURE_2D, texture);
        gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        gl::texCoordPointer(2, GL_FLOAT, 0, texCoords.get());
    }
    if (colors) {
        gl::enableClientState(GL_COLOR_ARRAY);
        gl::colorPointer(4, GL_FLOAT, 0, colors.get());
    }
    if (triangleCount > 0 && !DrawPath::stateOnly()) {
        const std::uint64_t first = static_cast<std::uint64_t>(firstTriangle) * 3;
        gl::drawElements(GL_TRIANGLES, static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_INT,
                       indices.get() + first);
        DrawCounter::countDraw(clientBytes(first, std::uint64_t{triangleCount} * 3));
    }
}

void MeshObject::bindAttribute(BufferSlot slot, const float* clientArray)
{
    gl::bindBuffer(GL_ARRAY_BUFFER, isResident() ? residentBuffers[slot] : 0);
    const void* source = isResident() ? nullptr : clientArray;
    switch (slot) {
    case VertexBuffer:
        gl::vertexPointer(3, GL_FLOAT, 0, source);
        break;
    case NormalBuffer:
        gl::enableClientState(GL_NORMAL_ARRAY);
        gl::normalPointer(GL_FLOAT, 0, source);
        break;
    case TexCoordBuffer:
        gl::enableClientState(GL_TEXTURE_COORD_ARRAY);
        gl::enable(GL_TEXTURE_2D);
        gl::bindTexture(GL_TEXTURE_2D, texture);
        gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        gl::texParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        gl::texCoordPointer(2, GL_FLOAT, 0, source);
        break;
    case ColorBuffer:
        gl::enableClientState(GL_COLOR_ARRAY);
        gl::colorPointer(4, GL_FLOAT, 0, source);
        break;
    default:
        break;
    }
}

void MeshObject::bindAttributes()
{
    bindAttribute(VertexBuffer, vertices.get());
    if (hasNormals && (isResident() || normals)) {
        bindAttribute(NormalBuffer, normals.get());
    }
    if (isTextured() && (isResident() || texCoords)) {
        bindAttribute(TexCoordBuffer, texCoords.get());
    }
    if (colors) {
        bindAttribute(ColorBuffer, colors.get());
    }
}

// The attributes come from buffer objects when the mesh is resident, else from the client arrays; the
// primitives are the edge list when the whole mesh is drawn as a wireframe, else the triangle range.
bool MeshObject::drawResident()
{
    if (residentWanted && !isResident()) {
        uploadResident();
    }
    if (wireframe == Wireframe::FacingEdges) {
        return drawFacingEdges();
    }
    Edges* lines = wireframe == Wireframe::Off ? nullptr : &edges[wireframe == Wireframe::UniqueEdges ? 0 : 1];
    if (lines != nullptr && lines->buffer == 0 && !lines->lines.empty()) {
        lines->buffer = uploadStaticBuffer(GL_ELEMENT_ARRAY_BUFFER, lines->lines.data(),
                                           lines->lines.size() * 4);
    }
    const bool asEdges = lines != nullptr && lines->buffer != 0 && firstTriangle == 0 &&
                         triangleCount == edgeTriangleCount;
    if (isResident() && !extendResident(asEdges ? indexTriangles : firstTriangle + triangleCount)) {
        return false;
    }
    if (!isResident() && (!asEdges || !vertices)) {
        return false;
    }
    bindAttributes();
    const bool submit = !DrawPath::stateOnly();
    if (submit && asEdges) {
        gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, lines->buffer);
        gl::drawRangeElements(GL_LINES, 0, static_cast<GLuint>(vertexCount - 1),
                            static_cast<GLsizei>(lines->lines.size()), GL_UNSIGNED_INT, nullptr);
        DrawCounter::countDraw(isResident() ? 0 : std::uint64_t(vertexCount) * bytesPerVertex());
    } else if (submit && triangleCount > 0) {
        gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, residentBuffers[IndexBuffer]);
        const std::uintptr_t offset = static_cast<std::uintptr_t>(firstTriangle) * 12;
        gl::drawElements(GL_TRIANGLES, static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(offset));
        DrawCounter::countDraw(0);
    }
    // Later client-array draws must not read through these bindings.
    gl::bindBuffer(GL_ARRAY_BUFFER, 0);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return true;
}

bool MeshObject::drawFacingEdges()
{
    if (!facingEdges || (!isResident() && !vertices) ||
        (isResident() && !extendResident(static_cast<unsigned>(firstTriangle) + triangleCount))) {
        return false;
    }
    bindAttributes();
    gl::bindBuffer(GL_ARRAY_BUFFER, 0);
    if (DrawPath::stateOnly()) {
        return true;
    }
    float modelview[16];
    Matrix4::multiply(viewFrame, matrix, modelview);
    float eye[3];
    const bool mirrored = Matrix4::eyeOf(modelview, eye);
    const std::vector<std::uint32_t>& lines =
        facingEdges->linesFacing(eye, mirrored, static_cast<std::size_t>(firstTriangle), triangleCount);
    if (!lines.empty()) {
        // The lines change with every frame: they go to GL from client memory, one upload per draw.
        gl::drawRangeElements(GL_LINES, 0, static_cast<GLuint>(vertexCount - 1), static_cast<GLsizei>(lines.size()),
                            GL_UNSIGNED_INT, lines.data());
        DrawCounter::countDraw(lines.size() * 4 + (isResident() ? 0 : std::uint64_t(vertexCount) * bytesPerVertex()));
    }
    return true;
}

std::uint64_t MeshObject::bytesPerVertex() const
{
    return 12 + (normals ? 12 : 0) + (isTextured() && texCoords ? 8 : 0) + (colors ? 16 : 0);
}

// The driver copies every vertex between the lowest and the highest index drawn, and the indices.
std::uint64_t MeshObject::clientBytes(std::uint64_t firstIndex, std::uint64_t indexCount) const
{
    const std::uint32_t* begin = indices.get() + firstIndex;
    const auto [lowest, highest] = std::minmax_element(begin, begin + indexCount);
    return (std::uint64_t{*highest} - *lowest + 1) * bytesPerVertex() + indexCount * 4;
}

void MeshObject::makeResident()
{
    if (DrawPath::isLiteral() || !vertices || !indices) {
        return;
    }
    residentWanted = true;
    if (bufferObjectsReady()) {
        uploadResident();
    }
}

void MeshObject::uploadResident()
{
    if (isResident()) {
        return;
    }
    const float* arrays[IndexBuffer] = {vertices.get(), normals.get(), texCoords.get(), colors.get()};
    for (int slot = VertexBuffer; slot < IndexBuffer; ++slot) {
        if (arrays[slot] != nullptr) {
            gl::genBuffers(1, &residentBuffers[slot]);
        }
    }
    gl::genBuffers(1, &residentBuffers[IndexBuffer]);
    extendResident(indexTriangles <= kWholeUploadTriangles ? indexTriangles : 0);
}

bool MeshObject::extendResident(unsigned endTriangle)
{
    if (endTriangle <= residentTriangles) {
        return true;
    }
    if (!vertices || !indices) {
        return false;
    }
    // The buffers are filled anew with the longer prefixes: the driver clears any storage it sets aside,
    // so storage for the whole of a long mesh would cost as much as uploading it.
    const unsigned end = std::min(indexTriangles, std::max(endTriangle, 2 * residentTriangles));
    std::uint32_t vertexEnd = residentVertices;
    for (std::uint64_t i = std::uint64_t{residentTriangles} * 3; i < std::uint64_t{end} * 3; ++i) {
        vertexEnd = std::max(vertexEnd, indices[i] + 1);
    }
    const float* arrays[IndexBuffer] = {vertices.get(), normals.get(), texCoords.get(), colors.get()};
    const std::uint64_t floatsPerVertex[IndexBuffer] = {3, 3, 2, 4};
    for (int slot = VertexBuffer; slot < IndexBuffer; ++slot) {
        if (arrays[slot] != nullptr && residentBuffers[slot] != 0) {
            uploadStaticBuffer(GL_ARRAY_BUFFER, residentBuffers[slot], arrays[slot],
                               std::uint64_t{vertexEnd} * floatsPerVertex[slot] * 4);
        }
    }
    uploadStaticBuffer(GL_ELEMENT_ARRAY_BUFFER, residentBuffers[IndexBuffer], indices.get(),
                       std::uint64_t{end} * 12);
    gl::bindBuffer(GL_ARRAY_BUFFER, 0);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    residentTriangles = end;
    residentVertices = vertexEnd;
    return true;
}

void MeshObject::setWireframe(Wireframe mode)
{
    wireframe = mode;
    if (mode == Wireframe::Off || DrawPath::isLiteral() || !indices || triangleCount == 0) {
        return;
    }
    if (mode == Wireframe::FacingEdges) {
        if (!facingEdges && vertices) {
            facingEdges = std::make_unique<FacingEdgeList>(vertices.get(), indices.get(), vertexCount, indexTriangles);
        }
        return;
    }
    Edges& list = edges[mode == Wireframe::UniqueEdges ? 0 : 1];
    if (list.lines.empty()) {
        list.lines = EdgeList::linesOf(indices.get() + static_cast<std::ptrdiff_t>(firstTriangle) * 3, triangleCount,
                                       mode == Wireframe::UniqueEdges ? EdgeList::Order::Unique
                                                                      : EdgeList::Order::PerTriangle);
        edgeTriangleCount = triangleCount;
    }
}

void MeshObject::setViewFrame(const float* modelview) { std::copy(modelview, modelview + 16, viewFrame); }

GraphicsObject* MeshObject::getParentObject() { return parent; }

void MeshObject::setDrawRange(int first, unsigned count)
{
    firstTriangle = first;
    triangleCount = count;
}

void MeshObject::appendChild(GraphicsObject* child) { children.push_back(child); }

void MeshObject::releaseGeometry(bool recursive)
{
    facingEdges.reset();
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

void MeshObject::buildBufferObjects(bool recursive, bool releaseArrays)
{
    const auto bytes = [](int count, int size) { return static_cast<std::uint64_t>(count) * size; };
    bufferIds[VertexBuffer] = uploadStaticBuffer(GL_ARRAY_BUFFER, vertices.get(), bytes(vertexCount, 12));
    if (normals) {
        bufferIds[NormalBuffer] = uploadStaticBuffer(GL_ARRAY_BUFFER, normals.get(), bytes(normalCount, 12));
    }
    if (texCoords) {
        bufferIds[TexCoordBuffer] = uploadStaticBuffer(GL_ARRAY_BUFFER, texCoords.get(), bytes(texCoordCount, 8));
    }
    if (colors) {
        bufferIds[ColorBuffer] = uploadStaticBuffer(GL_ARRAY_BUFFER, colors.get(), bytes(colorCount, 16));
    }
    bufferIds[IndexBuffer] =
        uploadStaticBuffer(GL_ELEMENT_ARRAY_BUFFER, indices.get(), std::uint64_t{triangleCount} * 12);
    gl::bindBuffer(GL_ARRAY_BUFFER, 0);
    gl::bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
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
    displayList = gl::genLists(1);
    gl::newList(displayList, GL_COMPILE);
    gl::begin(GL_TRIANGLES);
    if (vertices && indices) {
        for (std::uint64_t i = 0; i < std::uint64_t{triangleCount} * 3; ++i) {
            const std::uint32_t v = indices[i];
            if (normals) {
                gl::normal3fv(&normals[std::size_t{v} * 3]);
            }
            if (texCoords) {
                gl::texCoord2fv(&texCoords[std::size_t{v} * 2]);
            }
            if (colors) {
                gl::color4fv(&colors[std::size_t{v} * 4]);
            }
            gl::vertex3fv(&vertices[std::size_t{v} * 3]);
        }
    }
    gl::end();
    gl::endList();
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
