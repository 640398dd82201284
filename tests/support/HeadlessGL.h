#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

// One hidden GL context on SDL's offscreen driver (EGL over Mesa), shared by every GL test of the
// process. Needs no display, no window system and no GPU.
namespace headless_gl {
constexpr int kWidth = 64;
constexpr int kHeight = 64;
// Creates the context on first use and makes it current; false, with the reason in `error`, when it cannot.
bool ensureContext(std::string* error);
} // namespace headless_gl

using Rgba = std::array<std::uint8_t, 4>;

// A GL test starts from a cleared black 64 × 64 view with identity matrices, so clip space maps
// straight onto pixels, and GL state as a fresh context has it.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Pixel (x, y) of the back buffer, y counted from the bottom row.
    Rgba pixel(int x, int y);
    std::vector<std::uint8_t> readPixels();
};

// A colour read back from the frame buffer, compared with a small tolerance for rounding.
testing::AssertionResult colorNear(const Rgba& actual, const Rgba& expected, int tolerance = 2);
#define EXPECT_COLOR(actual, ...) EXPECT_TRUE(colorNear((actual), Rgba{__VA_ARGS__}))
