#include "geometry/GraphicsObject.h"
#include "support/HeadlessGL.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

class Node : public GraphicsObject {
public:
    void draw() override {}
    void drawTransformed() override {}
    void drawChildren() override {}
    unsigned getPolygonCount() override { return 0; }
};

Vector3 transform(const float* m, const Vector3& p)
{
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-6f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Vector3 mapped(const Vector3& rotation, const Vector3& point)
{
    Node node;
    node.setRotation(rotation);
    node.updateMatrix();
    return transform(node.getMatrix(), point);
}

} // namespace

TEST(GraphicsObjectMatrix, RotatesAboutFixedAxesXThenYThenZAfterScale)
{
    Node node;
    node.updateMatrix();
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(node.getMatrix()[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
    }

    expectNear(mapped({90, 0, 0}, {0, 1, 0}), {0, 0, 1});
    expectNear(mapped({0, 90, 0}, {0, 0, 1}), {1, 0, 0});
    expectNear(mapped({0, 0, 90}, {1, 0, 0}), {0, 1, 0});
    // X first about Y onto −Z, then about Z, which leaves −Z in place.
    expectNear(mapped({0, 90, 90}, {1, 0, 0}), {0, 0, -1});
    // X then Y: Y goes to Z about X, then Z goes to X about Y.
    expectNear(mapped({90, 90, 0}, {0, 1, 0}), {1, 0, 0});

    // Scale is applied before rotation and translation.
    Node scaled;
    scaled.setScale(2, 3, 4);
    scaled.setRotation(0, 0, 90);
    scaled.setPosition(10, 20, 30);
    scaled.updateMatrix();
    expectNear(transform(scaled.getMatrix(), {1, 0, 0}), {10, 22, 30}, 1e-5f);
    expectNear(transform(scaled.getMatrix(), {0, 1, 0}), {7, 20, 30}, 1e-5f);
}

TEST(GraphicsObjectMatrix, IsRebuiltOnlyByUpdateMatrix)
{
    Node node;
    node.setScale(2, 3, 4);
    expectNear(node.getMatrixDiagonal(), {0, 0, 0}, 0.0f);
    node.updateMatrix();
    expectNear(node.getMatrixDiagonal(), {2, 3, 4}, 0.0f);
    node.setScale(5, 5, 5);
    node.setPosition(1, 2, 3);
    expectNear(node.getMatrixDiagonal(), {2, 3, 4}, 0.0f);
    expectNear(node.getMatrixTranslation(), {0, 0, 0}, 0.0f);
}

TEST(GraphicsObjectMatrix, ChildIsPrefixedByItsParentsLastMatrix)
{
    Node parent;
    Node child;
    parent.addChild(&child);
    EXPECT_EQ(child.getParent(), &parent);
    parent.setPosition(1, 0, 0);
    child.setPosition(0, 2, 0);
    parent.updateMatrix();
    child.updateMatrix();
    expectNear(child.getMatrixTranslation(), {1, 2, 0});

    // The parent is not updated on the child's behalf.
    parent.setPosition(5, 0, 0);
    child.updateMatrix();
    expectNear(child.getMatrixTranslation(), {1, 2, 0});

    // A turned parent turns the child's offset too.
    parent.setRotation(0, 0, 90);
    parent.updateMatrix();
    child.updateMatrix();
    expectNear(child.getMatrixTranslation(), {3, 0, 0}, 1e-6f);
}

TEST(GraphicsObjectMatrix, StaysFiniteForTinyAndHugeAngles)
{
    const Vector3 rotations[] = {{1e-3f, 0, 0}, {0, 1e-4f, 0}, {1e-6f, 1e-6f, 1e-6f}, {360, 0, 0},
                                 {720, -360, 1080}, {1e6f, 3e5f, -7e5f}, {179.999f, 0, 0}};
    for (const Vector3& rotation : rotations) {
        Node node;
        node.setRotation(rotation);
        node.updateMatrix();
        for (int i = 0; i < 16; ++i) {
            EXPECT_TRUE(std::isfinite(node.getMatrix()[i])) << rotation.x << " " << rotation.y << " " << rotation.z;
        }
        // A rotation keeps lengths.
        const Vector3 p = transform(node.getMatrix(), {0.6f, 0.0f, 0.8f});
        EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 1.0f, 1e-5f);
    }
}

TEST(GraphicsObjectChildren, IndexChecksAndRemoval)
{
    Node parent, a, b, c;
    parent.addChild(&a);
    parent.addChild(&b);
    parent.addChild(&b);
    parent.addChild(&c);
    EXPECT_EQ(parent.getChildCount(), 4u);
    EXPECT_THROW(parent.getChild(4), std::out_of_range);
    EXPECT_THROW(parent.removeChildAt(4), std::out_of_range);

    Node stranger;
    parent.removeChild(&stranger);
    EXPECT_EQ(parent.getChildCount(), 4u);

    parent.removeChild(&b);
    ASSERT_EQ(parent.getChildCount(), 2u);
    EXPECT_EQ(parent.getChild(0), &a);
    EXPECT_EQ(parent.getChild(1), &c);
    EXPECT_EQ(b.getParent(), &parent);

    parent.removeChildAt(0);
    ASSERT_EQ(parent.getChildCount(), 1u);
    EXPECT_EQ(parent.getChild(0), &c);
    EXPECT_EQ(parent.getChildren(), parent.getChildList());
}

class GraphicsObjectGLTest : public GLTest {};

// The matrix must be the one GL builds from translate, rotate about Z, Y, X and scale.
TEST_F(GraphicsObjectGLTest, MatrixMatchesGLTransformChain)
{
    const Vector3 rotations[] = {{30, 0, 0}, {0, -45, 0}, {0, 0, 120}, {10, 20, 30}, {-75, 160, 5}, {200, -300, 45}};
    for (const Vector3& rotation : rotations) {
        Node node;
        node.setPosition(1.5f, -2.0f, 3.0f);
        node.setRotation(rotation);
        node.setScale(2.0f, 0.5f, 3.0f);
        node.updateMatrix();

        glLoadIdentity();
        glTranslatef(1.5f, -2.0f, 3.0f);
        glRotatef(rotation.z, 0, 0, 1);
        glRotatef(rotation.y, 0, 1, 0);
        glRotatef(rotation.x, 1, 0, 0);
        glScalef(2.0f, 0.5f, 3.0f);
        float expected[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, expected);
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(node.getMatrix()[i], expected[i], 2e-5f)
                << "element " << i << " for " << rotation.x << ", " << rotation.y << ", " << rotation.z;
        }
    }
}
