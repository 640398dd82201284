#include "effects/scenes/GreetingsScene.h"
#include "sequence/TextureTable.h"
#include "support/SceneTest.h"
#include "support/WorkingDirectory.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A small opaque PNG of one colour.
void writePng(const std::string& path, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 4;
    image.height = 4;
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 16; ++i) {
        pixels.insert(pixels.end(), {red, green, blue, 255});
    }
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) << path;
}

} // namespace

class GreetingsSceneTest : public SceneTest {
protected:
    void TearDown() override
    {
        TextureTable::instance().release();
        SceneTest::TearDown();
    }
    GreetingsScene scene{&timeValue};
};

TEST_F(GreetingsSceneTest, PanelTexturesTakeTheNamesAfterTheLoadersWithoutDisturbingThem)
{
    WorkingDirectory directory("greetings");
    writePng("orq.png", 255, 0, 0);
    writePng("Credits.png", 0, 255, 0);
    writePng("comments.png", 255, 0, 0);
    writePng("Greetz3.png", 0, 0, 255);
    TextureTable& textures = TextureTable::instance();
    textures.reserveNames(30);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(textures.loadTexture("orq.png", GL_LINEAR, GL_LINEAR));
    const GLuint logo = textures.findTexture("orq.png");

    loadAndStart(scene, 208.98648f);
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("File <Brontask.png> not found!\n"), std::string::npos);

    EXPECT_EQ(textures.findTexture("orq.png"), logo);
    EXPECT_TRUE(glIsTexture(logo));
    const GLuint credits = textures.findTexture("Credits.png");
    const GLuint last = textures.findTexture("Greetz3.png");
    ASSERT_NE(credits, 0u);
    ASSERT_NE(last, 0u);
    // A fresh reservation of ten, filled in panel order; missing panels consume no name.
    EXPECT_EQ(textures.capacity, 10);
    EXPECT_EQ(credits, textures.names[0]);
    EXPECT_EQ(last, textures.names[2]);
    EXPECT_NE(credits, logo);

    // The first frame shows the credits panel, textured, straight ahead inside the first ring.
    renderAt(scene, 208.98648f);
    EXPECT_COLOR(pixel(32, 32), 0, 255, 0, 255);

    // At ten units a second, 1.6 s later the credits are behind the eye and the comments panel
    // (3.44 wide) is 9 units ahead, covering 15 pixels either side of the centre.
    renderAt(scene, 208.98648f + 1.6f);
    EXPECT_COLOR(pixel(32, 32), 255, 0, 0, 255);
    EXPECT_COLOR(pixel(19, 32), 255, 0, 0, 255);
    EXPECT_FALSE(colorNear(pixel(14, 32), {255, 0, 0, 255}));
}

TEST_F(GreetingsSceneTest, FliesTenUnitsPerSecondThroughSpinningWireRings)
{
    testing::internal::CaptureStdout();
    loadAndStart(scene, 208.98648f);
    testing::internal::GetCapturedStdout();

    // At scene time 0 the untextured credits panel is 15 units ahead, in the middle of the view.
    renderAt(scene, 208.98648f);
    EXPECT_COLOR(pixel(32, 32), 255, 255, 255, 255);
    // The nearest ring around it is drawn as lines: some pixels of its band are lit, not all.
    int lit = 0, band = 0;
    for (int x = 0; x < headless_gl::kWidth; ++x) {
        for (int y = 0; y < headless_gl::kHeight; ++y) {
            const float dx = static_cast<float>(x) - 31.5f, dy = static_cast<float>(y) - 31.5f;
            const float radius = std::sqrt(dx * dx + dy * dy);
            if (radius > 21.0f && radius < 25.0f) {
                ++band;
                lit += pixel(x, y)[0] > 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(lit, band / 20);
    EXPECT_LT(lit, band);
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);

    scene.stop();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}
