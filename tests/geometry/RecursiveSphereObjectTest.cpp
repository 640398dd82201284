#include "geometry/DrawCounter.h"
#include "geometry/InstanceBatch.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "support/HeadlessGL.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr float kGreen[3] = {0.0f, 1.0f, 0.0f};

// A tree of hand-placed nodes, each a 0.4 × 0.4 square in clip space, so a test can see which
// nodes were drawn; every node's matrix is computed once, parents first, as the scene does it.
class HandTree {
public:
    // Without vertex colours, like the sphere meshes, so the node's colour shows.
    HandTree() : square(PrimitiveFactory::createPlane(1, 1, 0.4f, 0.4f)) { square->releaseColors(); }

    RecursiveSphereObject* add(RecursiveSphereObject* parent, bool onPath, float x, float y)
    {
        nodes.push_back(std::make_unique<RecursiveSphereObject>(square.get(), onPath));
        RecursiveSphereObject* node = nodes.back().get();
        if (parent != nullptr) {
            parent->addChild(node);
        }
        node->setPosition(x, y, 0.0f);
        node->updateMatrix();
        return node;
    }

    // Path nodes filled, the others as lines, as the scene's batches draw them.
    void draw(RecursiveSphereObject* from, int minLevel)
    {
        const auto capacity = static_cast<unsigned>(nodes.size());
        InstanceBatch path(*square, capacity, InstanceBatch::Primitives::Triangles, GL_FILL);
        InstanceBatch branch(*square, capacity, InstanceBatch::Primitives::Triangles, GL_LINE);
        from->drawTree(minLevel, 0, kGreen, path, branch);
    }

    std::unique_ptr<MeshObject> square;
    std::vector<std::unique_ptr<RecursiveSphereObject>> nodes;
};

// Pixel row or column of a clip coordinate.
int at(float clip) { return static_cast<int>((clip + 1.0f) * 0.5f * headless_gl::kWidth); }
// Pixel row or column near the middle of a square whose corner is at `corner`.
int toPixel(float corner) { return at(corner + 0.1f); }

// Path nodes are drawn with alpha 0.8; only the colour matters here.
testing::AssertionResult isGreen(const Rgba& p)
{
    if (p[0] == 0 && p[1] == 255 && p[2] == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "pixel is " << int(p[0]) << ", " << int(p[1]) << ", " << int(p[2]);
}

} // namespace

class RecursiveSphereObjectTest : public GLTest {};

TEST_F(RecursiveSphereObjectTest, APathNodeAboveTheWindowIsDrawnButItsOtherChildrenAreNot)
{
    HandTree tree;
    // Level 0, on the path; its side child and its path child sit at level 1, far above minLevel 3.
    RecursiveSphereObject* root = tree.add(nullptr, true, -0.9f, -0.9f);
    tree.add(root, false, 1.0f, 0.0f);                                       // at (0.1, −0.9)
    RecursiveSphereObject* pathChild = tree.add(root, true, 0.0f, 1.0f);    // at (−0.9, 0.1)
    RecursiveSphereObject* level2 = tree.add(pathChild, true, 0.0f, 0.5f);  // at (−0.9, 0.6)
    RecursiveSphereObject* level3 = tree.add(level2, true, 1.0f, 0.0f);     // at (0.1, 0.6)
    tree.add(level3, false, 0.5f, 0.0f);                                      // at (0.6, 0.6), level 4

    DrawCounter::take();
    tree.draw(root, 3);
    EXPECT_EQ(DrawCounter::take().draws, 2u) << "one draw for the path nodes, one for the side node";

    EXPECT_TRUE(isGreen(pixel(toPixel(-0.9f), toPixel(-0.9f)))) << "path node at level 0";
    EXPECT_COLOR(pixel(toPixel(0.1f), toPixel(-0.9f)), kBlack) << "side child at level 1";
    EXPECT_TRUE(isGreen(pixel(toPixel(-0.9f), toPixel(0.1f)))) << "path child at level 1";
    EXPECT_TRUE(isGreen(pixel(toPixel(0.1f), toPixel(0.6f)))) << "path node at minLevel";
    // A side node inside the window is drawn white, as wireframe: its outline is lit, the inside of
    // its triangles (away from the diagonal) is not.
    EXPECT_COLOR(pixel(at(0.7f), at(0.7f)), kBlack);
    bool outlineDrawn = false;
    for (int x = at(0.5f); x < headless_gl::kWidth; ++x) {
        outlineDrawn = outlineDrawn || pixel(x, at(0.7f))[0] == 255;
    }
    EXPECT_TRUE(outlineDrawn);

    // The shared mesh's arrays are not left switched on for whatever draws next.
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
}

TEST_F(RecursiveSphereObjectTest, DrawingUsesTheMatrixComputedAtBuildTime)
{
    HandTree tree;
    RecursiveSphereObject* node = tree.add(nullptr, true, -0.9f, -0.9f);
    // Moving a node after its matrix was computed must not move what is drawn: nothing recomputes it.
    node->setPosition(0.5f, 0.5f, 0.0f);
    tree.draw(node, 0);
    EXPECT_TRUE(isGreen(pixel(toPixel(-0.9f), toPixel(-0.9f))));
    EXPECT_COLOR(pixel(toPixel(0.5f), toPixel(0.5f)), kBlack);
}

TEST(RecursiveSphereObjectWindowTest, TheWindowSpansSixLevelsAndCutsWholeSubtrees)
{
    std::unique_ptr<MeshObject> mesh(PrimitiveFactory::createPlane(1, 1, 1.0f, 1.0f));
    // A chain of 12 side nodes under a path root, then a path node hanging below the chain's end.
    std::vector<std::unique_ptr<RecursiveSphereObject>> nodes;
    nodes.push_back(std::make_unique<RecursiveSphereObject>(mesh.get(), true));
    for (int level = 1; level <= 12; ++level) {
        nodes.push_back(std::make_unique<RecursiveSphereObject>(mesh.get(), false));
        nodes[level - 1]->addChild(nodes[level].get());
    }
    nodes.push_back(std::make_unique<RecursiveSphereObject>(mesh.get(), true));
    nodes[12]->addChild(nodes[13].get());

    std::vector<int> levels;
    auto record = [&](RecursiveSphereObject& node) {
        for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
            if (nodes[i].get() == &node) {
                levels.push_back(i);
            }
        }
    };
    nodes[0]->walkTree(2, 0, record);
    // The root is on the path; levels 1 and 2 are side nodes above minLevel 2, so their subtree is cut.
    EXPECT_EQ(levels, std::vector<int>({0}));

    levels.clear();
    nodes[0]->walkTree(0, 0, record);
    // minLevel … minLevel + 5 only: nothing below level 5 is visited, not even the path node at 13.
    EXPECT_EQ(levels, std::vector<int>({0, 1, 2, 3, 4, 5}));
}
