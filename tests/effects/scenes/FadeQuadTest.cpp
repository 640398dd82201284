#include "effects/scenes/FadeQuad.h"
#include "geometry/MeshObject.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// True when every pixel's colour channels lie within `tolerance` of `level`.
testing::AssertionResult wholeViewIs(const std::vector<std::uint8_t>& pixels, int level, int tolerance = 2)
{
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(int{pixels[i + c]} - level) > tolerance) {
                return testing::AssertionFailure() << "pixel " << i / 4 << " channel " << c << " is "
                                                   << int{pixels[i + c]} << ", expected " << level;
            }
        }
    }
    return testing::AssertionSuccess();
}

} // namespace

class FadeQuadTest : public SceneTest {
protected:
    void TearDown() override
    {
        glDeleteTextures(1, &redTexture);
        SceneTest::TearDown();
    }
    GLuint redTexture = 0;
};

TEST_F(FadeQuadTest, CoversTheViewInPureWhiteDespiteFogAndABoundTexture)
{
    FadeQuad quad;
    // A red texture and the tunnel's fog would tint and grey a quad that took them on.
    const std::uint8_t red[4] = {255, 0, 0, 255};
    glGenTextures(1, &redTexture);
    glBindTexture(GL_TEXTURE_2D, redTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, red);
    glEnable(GL_TEXTURE_2D);
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, 0.08f);
    glEnable(GL_FOG);

    quad.draw(1.0f);
    EXPECT_TRUE(wholeViewIs(readPixels(), 255));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glDisable(GL_FOG);

    glClear(GL_COLOR_BUFFER_BIT);
    quad.draw(0.5f);
    EXPECT_TRUE(wholeViewIs(readPixels(), 128));
    // Every vertex carries the alpha it was drawn with.
    const float* colors = quad.getMesh().getColors();
    for (int i = 0; i < quad.getMesh().getColorCount(); ++i) {
        EXPECT_EQ(colors[i * 4 + 3], 0.5f);
    }

    glClear(GL_COLOR_BUFFER_BIT);
    quad.draw(0.0f);
    EXPECT_TRUE(wholeViewIs(readPixels(), 0));
}
