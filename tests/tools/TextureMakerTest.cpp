#include "sequence/PngReader.h"
#include "support/Files.h"
#include "support/WorkingDirectory.h"
#include "tools/assets/TextureMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Width over height of the plane each picture is drawn on (a full screen for the backdrop).
struct Expected {
    const char* file;
    double aspect;
    bool text;
};

const Expected kTextures[] = {
    {"orq.png", 80.0 / 20.6, true},
    {"particle.png", 1.0, false},
    {"spikebal.png", 1.0, false},
    {"background.png", 16.0 / 9.0, false},
    {"chrome.png", 1.0, false},
    {"youre.png", 0.539 / 0.141, true},
    {"on.png", 0.231 / 0.123, true},
    {"the.png", 0.281 / 0.14, true},
    {"zarn.png", 0.376 / 0.128, true},
    {"of.png", 0.198 / 0.129, true},
    {"vusk.png", 0.509 / 0.151, true},
    {"insanity.png", 0.737 / 0.131, true},
    {"spheremap.png", 1.0, false},
    {"Credits.png", 1.236 / 0.38, true},
    {"comments.png", 3.44 / 0.72, true},
    {"Brontask.png", 4.924 / 0.824, true},
    {"Ismerel.png", 2.124 / 0.476, true},
    {"Daggomir.png", 5.52 / 0.632, true},
    {"C64Scene.png", 3.74 / 0.504, true},
    {"TheAmigaSceneRules.png", 5.792 / 0.996, true},
    {"Greetz1.png", 6.608 / 1.276, true},
    {"Greetz2.png", 5.672 / 1.664, true},
    {"Greetz3.png", 6.36 / 1.572, true},
};

struct FreeDeleter {
    void operator()(unsigned char* pixels) const { std::free(pixels); }
};

// A decoded picture, rows top first, four bytes a pixel.
struct Picture {
    int width = 0;
    int height = 0;
    int storedChannels = 0;
    int decodedChannels = 0;
    std::unique_ptr<unsigned char, FreeDeleter> pixels;

    const unsigned char* at(int x, int y) const { return pixels.get() + (static_cast<std::size_t>(y) * width + x) * 4; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
    int brightness(int x, int y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
};

Picture load(const fs::path& path)
{
    Picture picture;
    picture.pixels.reset(readPng(path.c_str(), picture.width, picture.height, picture.storedChannels,
                                 &picture.decodedChannels));
    return picture;
}

// The textures are made once for the suite: making them is the slow part.
class TextureMakerTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        directory = new WorkingDirectory("textures");
        made = TextureMaker().writeAll(directory->path.string(), &failure);
    }

    static void TearDownTestSuite()
    {
        delete directory;
        directory = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(made) << failure; }

    static Picture picture(const char* file) { return load(directory->path / file); }

    static WorkingDirectory* directory;
    static bool made;
    static std::string failure;
};

WorkingDirectory* TextureMakerTest::directory = nullptr;
bool TextureMakerTest::made = false;
std::string TextureMakerTest::failure;

TEST_F(TextureMakerTest, EveryTextureIsRgbaWithTheAspectOfItsPlane)
{
    int pngFiles = 0;
    for (const auto& entry : fs::directory_iterator(directory->path)) {
        pngFiles += entry.path().extension() == ".png" ? 1 : 0;
    }
    EXPECT_EQ(pngFiles, 23);

    for (const Expected& expected : kTextures) {
        SCOPED_TRACE(expected.file);
        const Picture image = picture(expected.file);
        ASSERT_NE(image.pixels, nullptr);
        EXPECT_EQ(image.storedChannels, 4);
        EXPECT_EQ(image.decodedChannels, 4);
        const double aspect = static_cast<double>(image.width) / image.height;
        EXPECT_NEAR(aspect / expected.aspect, 1.0, 0.02) << image.width << "x" << image.height;
        // Large enough to stay sharp on screen, small enough to load at once.
        EXPECT_GE(std::max(image.width, image.height), 128);
        EXPECT_LE(image.width * image.height, 1024 * 1024);
    }
}

TEST_F(TextureMakerTest, TextHasClearEdgesAndSolidInk)
{
    for (const Expected& expected : kTextures) {
        if (!expected.text) {
            continue;
        }
        SCOPED_TRACE(expected.file);
        const Picture image = picture(expected.file);
        ASSERT_NE(image.pixels, nullptr);
        // Texture coordinates repeat, so any ink on the border would bleed in from the far side.
        int borderInk = 0;
        for (int x = 0; x < image.width; ++x) {
            borderInk += image.alpha(x, 0) + image.alpha(x, image.height - 1);
        }
        for (int y = 0; y < image.height; ++y) {
            borderInk += image.alpha(0, y) + image.alpha(image.width - 1, y);
        }
        EXPECT_EQ(borderInk, 0);

        int solid = 0;
        int clear = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                solid += image.alpha(x, y) == 255 ? 1 : 0;
                clear += image.alpha(x, y) == 0 ? 1 : 0;
            }
        }
        const int pixels = image.width * image.height;
        EXPECT_GT(solid, pixels / 20) << "too little opaque ink";
        EXPECT_GT(clear, 0);
    }
}

TEST_F(TextureMakerTest, ParticleFadesOutFromItsCentre)
{
    const Picture particle = picture("particle.png");
    ASSERT_NE(particle.pixels, nullptr);
    const int cx = particle.width / 2;
    const int cy = particle.height / 2;
    EXPECT_GE(particle.alpha(cx, cy), 250);
    int brightest = 0;
    for (int y = 0; y < particle.height; ++y) {
        for (int x = 0; x < particle.width; ++x) {
            brightest = std::max(brightest, particle.brightness(x, y));
        }
    }
    EXPECT_EQ(particle.brightness(cx, cy), brightest);
    // Along each of the four directions out of the centre the glow only fades, down to nothing.
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& step : steps) {
        int previous = 255;
        int x = cx;
        int y = cy;
        while (x >= 0 && y >= 0 && x < particle.width && y < particle.height) {
            EXPECT_LE(particle.alpha(x, y), previous) << "at " << x << "," << y;
            previous = particle.alpha(x, y);
            x += step[0];
            y += step[1];
        }
        EXPECT_EQ(previous, 0);
    }
    EXPECT_EQ(particle.alpha(0, 0), 0);
    EXPECT_EQ(particle.alpha(particle.width - 1, particle.height - 1), 0);
}

TEST_F(TextureMakerTest, EnvironmentMapsShowTheSkyWhereUpwardReflectionsLookUpTheTexture)
{
    // Sphere mapping sends upward reflections to large t, and the file's top row is t = 0: the sky
    // must be in the lower half of the file, and it is brighter than the ground.
    for (const char* file : {"spheremap.png", "chrome.png"}) {
        SCOPED_TRACE(file);
        const Picture map = picture(file);
        ASSERT_NE(map.pixels, nullptr);
        long upper = 0;
        long lower = 0;
        int opaque = 0;
        const int half = map.height / 2;
        for (int y = 0; y < map.height; ++y) {
            for (int x = 0; x < map.width; ++x) {
                opaque += map.alpha(x, y) == 255 ? 1 : 0;
                // Inside the disc only, away from the horizon line.
                const int dx = x - map.width / 2;
                const int dy = y - half;
                if (dx * dx + dy * dy < half * half * 9 / 10 && std::abs(dy) > map.height / 16) {
                    (dy < 0 ? upper : lower) += map.brightness(x, y);
                }
            }
        }
        EXPECT_EQ(opaque, map.width * map.height);
        EXPECT_GT(lower, upper * 3 / 2);
    }
}

TEST_F(TextureMakerTest, SpikeBallAndBackdropCoverWhatTheyShould)
{
    const Picture ball = picture("spikebal.png");
    ASSERT_NE(ball.pixels, nullptr);
    EXPECT_EQ(ball.alpha(ball.width / 2, ball.height / 2), 255);
    EXPECT_EQ(ball.alpha(0, 0), 0);
    EXPECT_EQ(ball.alpha(ball.width - 1, ball.height - 1), 0);

    const Picture backdrop = picture("background.png");
    ASSERT_NE(backdrop.pixels, nullptr);
    for (int y = 0; y < backdrop.height; ++y) {
        for (int x = 0; x < backdrop.width; ++x) {
            ASSERT_EQ(backdrop.alpha(x, y), 255) << x << "," << y;
        }
    }
}

TEST_F(TextureMakerTest, SecondRunWritesTheSameBytes)
{
    const WorkingDirectory second("second-textures");
    std::string error;
    ASSERT_TRUE(TextureMaker().writeAll(second.path.string(), &error)) << error;
    for (const Expected& expected : kTextures) {
        SCOPED_TRACE(expected.file);
        const std::vector<std::uint8_t> first = readFile(directory->path / expected.file);
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(first == readFile(second.path / expected.file));
    }
}

TEST_F(TextureMakerTest, UnwritableDirectoryIsReported)
{
    const fs::path missing = directory->path / "no-such-directory";
    std::string error;
    EXPECT_FALSE(TextureMaker().writeAll(missing.string(), &error));
    EXPECT_NE(error.find("no-such-directory"), std::string::npos) << error;
}

} // namespace
