#include "geometry/DrawCounter.h"
#include "geometry/DrawPath.h"
#include "geometry/FacingEdgeList.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "support/HeadlessGL.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

// Four vertical strips covering the whole view, two triangles each: triangles 2k and 2k + 1 fill strip k.
std::unique_ptr<MeshObject> fourStrips()
{
    std::unique_ptr<MeshObject> mesh(PrimitiveFactory::createTiledPlane(1, 4, 2.0f, 2.0f));
    mesh->setPosition(-1.0f, -1.0f, 0.0f);
    return mesh;
}

GLuint makeTexture(const Rgba& color)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, color.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

void expectClientArraysDisabled()
{
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

class Leaf : public GraphicsObject {
public:
    explicit Leaf(unsigned triangles) : triangles(triangles) {}
    void draw() override {}
    void drawTransformed() override {}
    void drawChildren() override {}
    unsigned getPolygonCount() override { return triangles; }
    unsigned triangles;
};

} // namespace

class MeshObjectTest : public GLTest {
protected:
    // Centre of strip 0 … 3, 16 pixels wide each.
    Rgba strip(int index) { return pixel(index * 16 + 8, 32); }
    void clear() { glClear(GL_COLOR_BUFFER_BIT); }
};

TEST_F(MeshObjectTest, DrawRangeDrawsExactlyItsTriangles)
{
    auto mesh = fourStrips();
    mesh->draw();
    for (int i = 0; i < 4; ++i) {
        EXPECT_COLOR(strip(i), kWhite) << "strip " << i;
    }
    EXPECT_EQ(mesh->getPolygonCount(), 8u);

    clear();
    mesh->setDrawRange(4, 2);
    mesh->draw();
    EXPECT_EQ(mesh->getPolygonCount(), 2u);
    EXPECT_COLOR(strip(0), kBlack);
    EXPECT_COLOR(strip(1), kBlack);
    EXPECT_COLOR(strip(2), kWhite);
    EXPECT_COLOR(strip(3), kBlack);

    // The range counts triangles, not vertices: triangle 1 is the upper right half of strip 0.
    clear();
    mesh->setDrawRange(1, 1);
    mesh->draw();
    EXPECT_COLOR(pixel(13, 58), kWhite);
    EXPECT_COLOR(pixel(2, 5), kBlack);
    EXPECT_COLOR(strip(1), kBlack);
    expectClientArraysDisabled();
}

TEST_F(MeshObjectTest, AResidentMeshIsUploadedOnceAndItsRangeMovesOverTheWholeIndexArray)
{
    auto mesh = fourStrips();
    // Made resident while a short range is set: the range may later move past it.
    mesh->setDrawRange(0, 2);
    DrawCounter::take();
    mesh->makeResident();
    EXPECT_GT(DrawCounter::take().bytes, 0u);
    for (int strip = 0; strip < 4; ++strip) {
        clear();
        mesh->setDrawRange(2 * strip, 2);
        mesh->draw();
        const DrawCounter::Totals traffic = DrawCounter::take();
        EXPECT_EQ(traffic.draws, 1u);
        EXPECT_EQ(traffic.bytes, 0u) << "a resident draw sends nothing";
        for (int other = 0; other < 4; ++other) {
            EXPECT_COLOR(this->strip(other), other == strip ? kWhite : kBlack) << "range at strip " << strip;
        }
    }
    expectClientArraysDisabled();

    // Drawn from the buffers, not the arrays: moving every position away changes nothing drawn.
    std::fill_n(mesh->getVertices(), 3 * mesh->getVertexCount(), 5.0f);
    clear();
    mesh->draw();
    EXPECT_COLOR(strip(3), kWhite);
    // The literal path reads the arrays at every draw, and sends them.
    DrawPath::select(DrawPath::Literal);
    clear();
    mesh->draw();
    DrawPath::select(DrawPath::Resident);
    EXPECT_COLOR(strip(3), kBlack);
    EXPECT_GT(DrawCounter::take().bytes, 0u);
}

TEST_F(MeshObjectTest, TextureStateAroundDraw)
{
    // Texture coordinates without a texture: drawn untextured, GL_TEXTURE_2D left as found.
    auto mesh = fourStrips();
    glEnable(GL_TEXTURE_2D);
    mesh->draw();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
    mesh->draw();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_COLOR(strip(0), kWhite);

    // With a texture: textured, then GL_TEXTURE_2D and the coordinate array switched off again.
    const GLuint red = makeTexture({255, 0, 0, 255});
    mesh->setTexture(red);
    clear();
    mesh->draw();
    EXPECT_COLOR(strip(2), 255, 0, 0, 255);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    expectClientArraysDisabled();
    glDeleteTextures(1, &red);
}

TEST_F(MeshObjectTest, ReleasedColorsAreNoLongerDrawn)
{
    auto mesh = fourStrips();
    float* colors = mesh->getColors();
    for (int i = 0; i < mesh->getColorCount(); ++i) {
        colors[i * 4 + 0] = 0.0f;
        colors[i * 4 + 2] = 0.0f;
    }
    glColor4f(1.0f, 0.0f, 1.0f, 1.0f);
    mesh->draw();
    EXPECT_COLOR(strip(1), 0, 255, 0, 255);

    mesh->releaseColors();
    EXPECT_EQ(mesh->getColors(), nullptr);
    glColor4f(1.0f, 0.0f, 1.0f, 1.0f);
    clear();
    mesh->draw();
    EXPECT_COLOR(strip(1), 255, 0, 255, 255);
    expectClientArraysDisabled();
}

TEST_F(MeshObjectTest, BufferObjectsAndDisplayListsDrawTheSamePicture)
{
    const GLuint blue = makeTexture({0, 0, 255, 255});
    auto buffered = fourStrips();
    buffered->setTexture(blue);
    buffered->buildBufferObjects(false, true);
    EXPECT_EQ(buffered->getRenderMode(), RenderMode::BufferObjects);
    EXPECT_EQ(buffered->getVertices(), nullptr);
    EXPECT_EQ(buffered->getIndices(), nullptr);
    EXPECT_NE(buffered->getColors(), nullptr);
    buffered->draw();
    for (int i = 0; i < 4; ++i) {
        EXPECT_COLOR(strip(i), 0, 0, 255, 255) << "strip " << i;
    }
    GLint arrayBinding = -1, elementBinding = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBinding);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBinding);
    EXPECT_EQ(arrayBinding, 0);
    EXPECT_EQ(elementBinding, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    expectClientArraysDisabled();

    // A client-array mesh drawn next reads its own arrays, not the buffers.
    clear();
    auto plain = fourStrips();
    plain->setDrawRange(0, 2);
    plain->draw();
    EXPECT_COLOR(strip(0), kWhite);
    EXPECT_COLOR(strip(1), kBlack);

    clear();
    auto listed = fourStrips();
    listed->setDrawRange(6, 2); // lists ignore the range start: they record the first triangles
    listed->buildDisplayList(false, true);
    EXPECT_EQ(listed->getRenderMode(), RenderMode::DisplayList);
    EXPECT_EQ(listed->getVertices(), nullptr);
    listed->draw();
    EXPECT_COLOR(strip(0), kWhite);
    EXPECT_COLOR(strip(3), kBlack);
    expectClientArraysDisabled();
    glDeleteTextures(1, &blue);
}

TEST_F(MeshObjectTest, ReleasedClientArraysDrawNothingAndDoNotCrash)
{
    auto mesh = fourStrips();
    mesh->releaseGeometry(false);
    mesh->draw();
    for (int i = 0; i < 4; ++i) {
        EXPECT_COLOR(strip(i), kBlack);
    }
    expectClientArraysDisabled();
}

TEST_F(MeshObjectTest, ChildrenAreDrawnInsideTheParentsTransform)
{
    auto parent = fourStrips();
    parent->setDrawRange(0, 0);
    // A half-view strip at (1, 0) under the parent's (−1, −1) offset lands in the right half.
    std::unique_ptr<MeshObject> child(PrimitiveFactory::createTiledPlane(1, 1, 1.0f, 2.0f));
    child->setPosition(1.0f, 0.0f, 0.0f);
    parent->appendChild(child.get());
    EXPECT_EQ(child->getParent(), nullptr);
    parent->draw();
    EXPECT_COLOR(strip(0), kBlack);
    EXPECT_COLOR(strip(2), kWhite);
    EXPECT_COLOR(strip(3), kWhite);
    EXPECT_EQ(parent->getPolygonCount(), 2u);
}

TEST_F(MeshObjectTest, DestructorReleasesTheLastHolderOfAShaderProgram)
{
    const auto makeProgram = [] {
        auto* program = new ShaderProgram;
        program->vertexShader = glCreateShader(GL_VERTEX_SHADER);
        program->fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
        program->program = glCreateProgram();
        glAttachShader(program->program, program->vertexShader);
        glAttachShader(program->program, program->fragmentShader);
        return program;
    };
    ShaderProgram* shared = makeProgram();
    shared->referenceCount = 1; // two holders
    const GLuint program = shared->program;
    {
        auto first = fourStrips();
        first->setShaderProgram(shared);
    }
    EXPECT_EQ(shared->referenceCount, 0);
    EXPECT_TRUE(glIsProgram(program));
    {
        auto last = fourStrips();
        last->setShaderProgram(shared);
    }
    EXPECT_FALSE(glIsProgram(program));
}

TEST(MeshObjectCounts, PolygonCountAndWorldPositionFollowChildren)
{
    std::unique_ptr<MeshObject> parent(PrimitiveFactory::createPlane(1, 1, 1.0f, 1.0f));
    parent->setDrawRange(0, 5); // counted, never drawn here
    Leaf ten(10), twenty(20);
    parent->appendChild(&ten);
    parent->appendChild(&twenty);
    EXPECT_EQ(parent->getPolygonCount(), 35u);

    std::unique_ptr<MeshObject> base(PrimitiveFactory::createPlane(1, 1, 1.0f, 1.0f));
    std::unique_ptr<MeshObject> child(PrimitiveFactory::createPlane(1, 1, 1.0f, 1.0f));
    base->setPosition(10, 0, 0);
    base->setScale(2, 2, 2);
    base->setRotation(0, 0, 90); // ignored by the world position
    base->addChild(child.get());
    child->setPosition(1, 2, 3);
    const Vector3 world = child->getWorldPosition();
    EXPECT_FLOAT_EQ(world.x, 12.0f);
    EXPECT_FLOAT_EQ(world.y, 4.0f);
    EXPECT_FLOAT_EQ(world.z, 6.0f);
    base->removeChild(child.get());
}

// An octahedron seen from a corner's side shows four faces and nine edges. Each must be drawn once, the two
// opposite views must share out all twelve edges, and triangles before the drawn range draw no edge for it.
TEST(FacingEdges, EveryEdgeOfTheFacingTrianglesOnceWhateverTheRange)
{
    // +x, −x, +y, −y, +z, −z; one face per octant, counter-clockwise from outside.
    const float corners[18] = {1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1};
    const std::uint32_t faces[24] = {0, 2, 4, 1, 4, 2, 3, 0, 4, 0, 5, 2, 1, 2, 5, 3, 4, 1, 5, 0, 3, 1, 5, 3};
    FacingEdgeList list(corners, faces, 6, 8);
    using Edges = std::set<std::pair<std::uint32_t, std::uint32_t>>;
    const auto edgesOf = [](const std::vector<std::uint32_t>& lines) {
        Edges edges;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            edges.insert(std::minmax(lines[i], lines[i + 1]));
        }
        EXPECT_EQ(edges.size() * 2, lines.size()) << "an edge drawn twice";
        return edges;
    };
    const float front[3] = {5, 5, 5};
    const float back[3] = {-5, -5, -5};
    const Edges seenFront = edgesOf(list.linesFacing(front, false, 0, 8));
    Edges all = edgesOf(list.linesFacing(back, false, 0, 8));
    EXPECT_EQ(seenFront.size(), 9u);
    EXPECT_EQ(all.size(), 9u);
    all.insert(seenFront.begin(), seenFront.end());
    EXPECT_EQ(all.size(), 12u);
    // A mirroring frame turns the winding over: the front eye then sees the back faces.
    EXPECT_EQ(edgesOf(list.linesFacing(front, true, 0, 8)), edgesOf(list.linesFacing(back, false, 0, 8)));
    // Face 0 faces the eye but lies outside the range: its edges belong to faces in range and stay drawn.
    EXPECT_EQ(edgesOf(list.linesFacing(front, false, 1, 7)), seenFront);
}
