#include "sequence/PngReader.h"
#include "sequence/TextureTable.h"
#include "support/Files.h"
#include "support/HeadlessGL.h"
#include "support/WorkingDirectory.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kSuite = fs::path(QUESSALY_SOURCE_DIR) / "tests" / "data" / "pngsuite";
const fs::path kCrashers = fs::path(QUESSALY_SOURCE_DIR) / "tests" / "data" / "png-crashers";

// A directory of its own per test, removed afterwards.
struct ScratchDir : WorkingDirectory {
    ScratchDir() : WorkingDirectory(testing::UnitTest::GetInstance()->current_test_info()->name()) {}
    std::string file(const std::string& name) const { return (path / name).string(); }
};

void putBigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void appendChunk(Bytes& png, const char* type, const Bytes& data)
{
    putBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uInt checked = static_cast<uInt>(png.size() - typeAt);
    putBigEndian(png, static_cast<std::uint32_t>(crc32(0, png.data() + typeAt, checked)));
}

// A PNG whose IDAT holds `scanlines` (each row already prefixed with its filter byte) compressed as
// given; the header may claim any size, whatever the data holds.
Bytes pngFile(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType, const Bytes& scanlines)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes header;
    putBigEndian(header, width);
    putBigEndian(header, height);
    header.insert(header.end(), {static_cast<std::uint8_t>(bitDepth), static_cast<std::uint8_t>(colorType), 0, 0, 0});
    appendChunk(png, "IHDR", header);
    uLongf size = compressBound(static_cast<uLong>(scanlines.size()));
    Bytes compressed(size);
    EXPECT_EQ(compress2(compressed.data(), &size, scanlines.data(), static_cast<uLong>(scanlines.size()), Z_BEST_SPEED),
              Z_OK);
    compressed.resize(size);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

// Rows of equal length, each given filter type 0.
Bytes unfiltered(const std::vector<Bytes>& rows)
{
    Bytes scanlines;
    for (const Bytes& row : rows) {
        scanlines.push_back(0);
        scanlines.insert(scanlines.end(), row.begin(), row.end());
    }
    return scanlines;
}

// The same file decoded by libpng's simplified reader as 8-bit RGBA, or empty if it cannot.
// The reader under test ignores gamma, so the gAMA chunks are dropped for the oracle too, and its
// 16-bit samples are taken as sRGB like 8-bit ones rather than as linear light.
Bytes oracleRgba(const fs::path& path)
{
    const Bytes file = readFile(path);
    Bytes withoutGamma(file.begin(), file.begin() + 8);
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length = std::size_t{file[at]} << 24 | std::size_t{file[at + 1]} << 16 |
                                   std::size_t{file[at + 2]} << 8 | file[at + 3];
        if (std::memcmp(&file[at + 4], "gAMA", 4) != 0) {
            withoutGamma.insert(withoutGamma.end(), file.begin() + at, file.begin() + at + 12 + length);
        }
        at += 12 + length;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, withoutGamma.data(), withoutGamma.size())) {
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        return {};
    }
    return pixels;
}

struct TexelsRead {
    int width = 0;
    int height = 0;
    int alphaBits = 0;
    Bytes rgba;
};

// Level 0 of a texture as GL holds it, row t = 0 first.
TexelsRead texels(GLuint name)
{
    TexelsRead result;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &result.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &result.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &result.alphaBits);
    result.rgba.resize(std::size_t(result.width) * result.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, result.rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return result;
}

Rgba texel(const TexelsRead& image, int x, int y)
{
    const std::size_t at = (std::size_t(y) * image.width + x) * 4;
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

// What a conformance image's name says about it, e.g. "ftbbn3p08": palette, 8 bits, with tRNS.
struct SuiteName {
    int colorType;
    int bitDepth;
    bool transparent;
};

SuiteName parseSuiteName(std::string stem)
{
    if (stem[0] == 'i') {
        stem.erase(0, 1); // the interlaced copy of the same image
    }
    if (stem[0] == 'f') {
        stem.erase(0, 1);
    }
    const std::string kind = stem.substr(0, 3);
    return {stem[4] - '0', std::stoi(stem.substr(6, 2)), kind.rfind("tb", 0) == 0 || kind == "tp1"};
}

int storedChannels(int colorType)
{
    switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1; // grey, palette
    }
}

std::vector<fs::path> pngsIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".png") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class TextureTableTest : public GLTest {
protected:
    void TearDown() override
    {
        table.release();
        GLTest::TearDown();
    }

    // Loads with stdout captured; the printed text goes to `printed`.
    bool load(const std::string& fileName, GLint minFilter = GL_NEAREST, GLint magFilter = GL_NEAREST)
    {
        testing::internal::CaptureStdout();
        const bool loaded = table.loadTexture(fileName.c_str(), minFilter, magFilter);
        printed = testing::internal::GetCapturedStdout();
        return loaded;
    }

    // A 1 × 1 opaque RGB image of one colour.
    std::string solid(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        const std::string path = scratch.file(name);
        writeFile(path, pngFile(1, 1, 8, PNG_COLOR_TYPE_RGB, unfiltered({{r, g, b}})));
        return path;
    }

    TextureTable table;
    ScratchDir scratch;
    std::string printed;
};

TEST_F(TextureTableTest, LoadsEveryConformanceImageAsItsEightBitRgbOrRgbaPixels)
{
    ASSERT_TRUE(fs::is_directory(kSuite)) << kSuite;
    const std::vector<fs::path> files = pngsIn(kSuite);
    ASSERT_FALSE(files.empty());
    table.reserveNames(static_cast<int>(files.size()));

    std::map<std::string, Bytes> decoded;
    for (const fs::path& file : files) {
        const std::string stem = file.stem().string();
        SCOPED_TRACE(stem);
        const SuiteName name = parseSuiteName(stem);
        const bool hasAlpha = name.transparent || name.colorType == 4 || name.colorType == 6;

        ASSERT_TRUE(load(file.string()));
        EXPECT_EQ(printed, "Bit depth " + std::to_string(storedChannels(name.colorType)) + " \n");
        const GLuint glName = table.findTexture(file.string().c_str());
        ASSERT_NE(glName, 0u);
        const TexelsRead image = texels(glName);
        ASSERT_EQ(image.width, 32); // every image of the suite is 32 × 32
        ASSERT_EQ(image.height, 32);
        EXPECT_EQ(image.alphaBits > 0, hasAlpha) << "alpha bits " << image.alphaBits;

        bool someTransparent = false;
        for (std::size_t at = 0; at < image.rgba.size(); at += 4) {
            const std::uint8_t* p = &image.rgba[at];
            if (name.colorType == 0 || name.colorType == 4) {
                ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "grey texel " << at / 4;
            }
            if (name.colorType == 0 && name.bitDepth == 1) {
                ASSERT_TRUE(p[0] == 0 || p[0] == 255) << "1-bit texel " << at / 4 << " is " << int{p[0]};
            }
            if (!hasAlpha) {
                ASSERT_EQ(p[3], 255) << "texel " << at / 4;
            }
            if (name.transparent && name.colorType != 3) {
                // A grey or RGB tRNS names one colour: fully transparent, everything else opaque.
                ASSERT_TRUE(p[3] == 0 || p[3] == 255) << "texel " << at / 4;
            }
            someTransparent = someTransparent || p[3] == 0;
        }
        EXPECT_EQ(someTransparent, hasAlpha);

        // libpng 1.6's simplified reader garbles the rows of interlaced 16-bit images, so those
        // are checked against their non-interlaced twin below instead.
        const Bytes header = readFile(file);
        const bool interlaced = header.size() > 28 && header[28] != 0;
        if (!(interlaced && name.bitDepth == 16)) {
            const Bytes expected = oracleRgba(file);
            ASSERT_EQ(expected.size(), image.rgba.size());
            // 16-bit samples: the oracle rounds to 8 bits, the texture keeps the high byte.
            const int tolerance = name.bitDepth == 16 ? 1 : 0;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                ASSERT_LE(std::abs(int{image.rgba[i]} - int{expected[i]}), tolerance)
                    << "texel " << i / 4 << " channel " << i % 4;
            }
        }
        decoded[stem] = image.rgba;
    }

    int twins = 0;
    for (const auto& [stem, rgba] : decoded) {
        if (stem[0] == 'i' && decoded.count(stem.substr(1)) != 0) {
            EXPECT_TRUE(rgba == decoded[stem.substr(1)]) << stem << " differs from its non-interlaced twin";
            ++twins;
        }
    }
    EXPECT_GT(twins, 0);
    EXPECT_EQ(table.nextName, static_cast<int>(files.size()));
}

TEST_F(TextureTableTest, RefusesEveryMalformedFileWithoutUsingAName)
{
    ASSERT_TRUE(fs::is_directory(kCrashers)) << kCrashers;
    const std::vector<fs::path> files = pngsIn(kCrashers);
    ASSERT_FALSE(files.empty());
    table.reserveNames(1);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        int width = 0;
        int height = 0;
        int channels = 0;
        unsigned char* pixels = readPng(file.c_str(), width, height, channels);
        EXPECT_EQ(pixels, nullptr);
        std::free(pixels);
        EXPECT_FALSE(load(file.string()));
        EXPECT_EQ(printed, "");
        EXPECT_EQ(table.nextName, 0);
        EXPECT_EQ(table.findTexture(file.c_str()), 0u);
    }
    EXPECT_TRUE(table.entries.empty());

    // The one name is still free for a good file.
    const std::string good = solid("good.png", 10, 20, 30);
    ASSERT_TRUE(load(good));
    EXPECT_EQ(table.findTexture(good.c_str()), table.names[0]);
}

TEST_F(TextureTableTest, RefusesFiltersOtherThanNearestOrLinearBeforeOpeningTheFile)
{
    table.reserveNames(2);
    const std::string missing = scratch.file("missing.png");

    EXPECT_FALSE(load(missing, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR));
    EXPECT_EQ(printed, "Error loading texture " + missing + ", wrong MIN filter used!\n");
    EXPECT_FALSE(load(missing, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST));
    EXPECT_EQ(printed, "Error loading texture " + missing + ", wrong MAG filter used!\n");
    // The MIN filter is judged first and ends the load.
    EXPECT_FALSE(load(missing, GL_REPEAT, GL_REPEAT));
    EXPECT_EQ(printed, "Error loading texture " + missing + ", wrong MIN filter used!\n");
    EXPECT_EQ(table.nextName, 0);

    // Both accepted filters are stored on the texture.
    const std::string image = solid("image.png", 1, 2, 3);
    ASSERT_TRUE(load(image, GL_LINEAR, GL_NEAREST));
    GLint minFilter = 0;
    GLint magFilter = 0;
    glBindTexture(GL_TEXTURE_2D, table.findTexture(image.c_str()));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_NEAREST);
}

TEST_F(TextureTableTest, KeepsNamesPackedInLoadOrderAndFindsTheFirstExactMatch)
{
    table.reserveNames(4);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    const std::string red = solid("red.png", 255, 0, 0);
    const std::string green = solid("green.png", 0, 255, 0);
    const std::string missing = scratch.file("missing.png");

    ASSERT_TRUE(load(red));
    EXPECT_FALSE(load(missing));
    EXPECT_EQ(printed, "File <" + missing + "> not found!\n");
    ASSERT_TRUE(load(green));
    ASSERT_TRUE(load(red));

    ASSERT_EQ(table.entries.size(), 3u);
    EXPECT_EQ(table.nextName, 3);
    EXPECT_EQ(table.entries[0]->glName, table.names[0]);
    EXPECT_EQ(table.entries[1]->glName, table.names[1]); // the failed load left its name to green
    EXPECT_EQ(table.entries[2]->glName, table.names[2]);
    EXPECT_STREQ(table.entries[1]->fileName, green.c_str());
    EXPECT_NE(table.names[0], table.names[2]);

    EXPECT_EQ(table.findTexture(red.c_str()), table.names[0]);
    EXPECT_EQ(table.findTexture(green.c_str()), table.names[1]);
    EXPECT_EQ(table.findTexture(missing.c_str()), 0u);
    EXPECT_EQ(table.findTexture(scratch.file("RED.png").c_str()), 0u);
    EXPECT_EQ(table.findTexture(scratch.file("red.PNG").c_str()), 0u);
    EXPECT_EQ(table.findTexture("red.png"), 0u);

    EXPECT_EQ(texel(texels(table.names[0]), 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(texel(texels(table.names[1]), 0, 0), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(texel(texels(table.names[2]), 0, 0), (Rgba{255, 0, 0, 255}));
}

TEST_F(TextureTableTest, UploadsRgbRowsOfAnyWidthTopRowFirst)
{
    // 3 × 2 RGB: 9-byte rows, which the default unpack alignment of 4 would misread.
    const std::vector<Bytes> rows = {
        {255, 0, 0, 0, 255, 0, 0, 0, 255},
        {255, 255, 0, 0, 255, 255, 255, 0, 255},
    };
    const std::string path = scratch.file("odd.png");
    writeFile(path, pngFile(3, 2, 8, PNG_COLOR_TYPE_RGB, unfiltered(rows)));
    table.reserveNames(1);
    ASSERT_TRUE(load(path));
    EXPECT_EQ(printed, "Bit depth 3 \n");

    const TexelsRead image = texels(table.names[0]);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.alphaBits, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const Bytes& row = rows[y];
            EXPECT_EQ(texel(image, x, y), (Rgba{row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 255})) << x << ", " << y;
        }
    }
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "later uploads must find the GL default";

    // Drawn with t = 0 at the top, the picture stands upright.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, table.names[0]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    EXPECT_COLOR(pixel(10, 48), 255, 0, 0, 255);
    EXPECT_COLOR(pixel(32, 48), 0, 255, 0, 255);
    EXPECT_COLOR(pixel(53, 48), 0, 0, 255, 255);
    EXPECT_COLOR(pixel(10, 16), 255, 255, 0, 255);
    EXPECT_COLOR(pixel(32, 16), 0, 255, 255, 255);
    EXPECT_COLOR(pixel(53, 16), 255, 0, 255, 255);
}

TEST_F(TextureTableTest, ReducesSixteenBitSamplesToTheirHighByte)
{
    // Grey with alpha, 16 bits: (0x12FF, 0x80FF) and (0xAB80, 0xFFFF). Rounding would give 0x13 and 0xAC.
    const std::string path = scratch.file("deep.png");
    writeFile(path, pngFile(2, 1, 16, PNG_COLOR_TYPE_GRAY_ALPHA,
                            unfiltered({{0x12, 0xFF, 0x80, 0xFF, 0xAB, 0x80, 0xFF, 0xFF}})));
    table.reserveNames(1);
    ASSERT_TRUE(load(path));
    EXPECT_EQ(printed, "Bit depth 2 \n");
    const TexelsRead image = texels(table.names[0]);
    EXPECT_EQ(texel(image, 0, 0), (Rgba{0x12, 0x12, 0x12, 0x80}));
    EXPECT_EQ(texel(image, 1, 0), (Rgba{0xAB, 0xAB, 0xAB, 0xFF}));
}

TEST_F(TextureTableTest, RefusesLoadsOnceEveryReservedNameIsFilled)
{
    const std::string red = solid("red.png", 255, 0, 0);
    const std::string blue = solid("blue.png", 0, 0, 255);

    EXPECT_FALSE(load(red)); // nothing reserved yet
    EXPECT_EQ(printed, "Error loading texture " + red + ", no texture name left!\n");

    table.reserveNames(1);
    const GLuint first = table.names[0];
    ASSERT_TRUE(load(red));
    EXPECT_FALSE(load(blue));
    EXPECT_EQ(printed, "Error loading texture " + blue + ", no texture name left!\n");
    EXPECT_EQ(table.nextName, 1);
    EXPECT_EQ(table.entries.size(), 1u);

    // A new reservation serves further loads; the texture already loaded keeps its name.
    table.reserveNames(2);
    EXPECT_EQ(table.capacity, 2);
    EXPECT_EQ(table.nextName, 0);
    EXPECT_NE(table.names[0], first);
    ASSERT_TRUE(load(blue));
    EXPECT_EQ(table.findTexture(red.c_str()), first);
    EXPECT_EQ(table.findTexture(blue.c_str()), table.names[0]);
    EXPECT_TRUE(glIsTexture(first));
    EXPECT_EQ(texel(texels(first), 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(texel(texels(table.names[0]), 0, 0), (Rgba{0, 0, 255, 255}));
}

TEST_F(TextureTableTest, RefusesImagesLargerThanTheGlLimit)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GT(maxSize, 0);
    // One bit per pixel keeps the file and its decoded row small.
    const std::uint32_t wide = static_cast<std::uint32_t>(maxSize) + 1;
    const std::string path = scratch.file("wide.png");
    writeFile(path, pngFile(wide, 1, 1, PNG_COLOR_TYPE_GRAY, unfiltered({Bytes((wide + 7) / 8, 0xFF)})));
    table.reserveNames(1);

    EXPECT_FALSE(load(path));
    EXPECT_EQ(printed, "Bit depth 1 \nError loading texture " + path + ", " + std::to_string(wide) +
                           "x1 is larger than " + std::to_string(maxSize) + "!\n");
    EXPECT_EQ(table.nextName, 0);
    EXPECT_TRUE(table.entries.empty());
}

TEST_F(TextureTableTest, ReportsAGlErrorAfterTheUploadAndKeepsTheName)
{
    const std::string image = solid("image.png", 0, 128, 255);
    table.reserveNames(1);
    glEnable(GL_TEXTURE_WRAP_S); // not a capability: leaves GL_INVALID_ENUM pending

    EXPECT_FALSE(load(image));
    EXPECT_EQ(printed, "Bit depth 3 \n.." + std::to_string(GL_INVALID_ENUM));
    EXPECT_EQ(table.nextName, 0);
    EXPECT_EQ(table.findTexture(image.c_str()), 0u);

    ASSERT_TRUE(load(image));
    EXPECT_EQ(table.findTexture(image.c_str()), table.names[0]);
}

TEST_F(TextureTableTest, ReleaseDeletesTheTexturesOfEveryReservation)
{
    const std::string first = solid("first.png", 1, 1, 1);
    const std::string second = solid("second.png", 2, 2, 2);
    table.reserveNames(3);
    ASSERT_TRUE(load(first));
    table.reserveNames(2);
    ASSERT_TRUE(load(second));
    const GLuint firstName = table.findTexture(first.c_str());
    const GLuint secondName = table.findTexture(second.c_str());
    ASSERT_TRUE(glIsTexture(firstName));
    ASSERT_TRUE(glIsTexture(secondName));

    table.release();
    EXPECT_FALSE(glIsTexture(firstName));
    EXPECT_FALSE(glIsTexture(secondName));
    EXPECT_TRUE(table.entries.empty());
    EXPECT_EQ(table.capacity, 0);
    EXPECT_EQ(table.findTexture(first.c_str()), 0u);

    // Usable again afterwards.
    table.reserveNames(1);
    ASSERT_TRUE(load(second));
    EXPECT_EQ(table.findTexture(second.c_str()), table.names[0]);
}

TEST(PngReaderTest, ReportsMissingFilesAndIgnoresFilesThatAreNoPng)
{
    ScratchDir scratch;
    const std::string missing = scratch.file("missing.png");
    const std::string text = scratch.file("text.png");
    writeFile(text, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '\n'});
    int width = 0;
    int height = 0;
    int channels = 0;

    testing::internal::CaptureStdout();
    EXPECT_EQ(readPng(missing.c_str(), width, height, channels), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File <" + missing + "> not found!\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(readPng(text.c_str(), width, height, channels), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(PngReaderTest, DecodesToRgbOrRgbaTopRowFirstAndReportsTheStoredChannels)
{
    ScratchDir scratch;
    // 2-bit palette, 2 × 2, with the second entry half transparent.
    const std::string path = scratch.file("palette.png");
    Bytes png = pngFile(2, 2, 2, PNG_COLOR_TYPE_PALETTE, unfiltered({{0x10}, {0x40}}));
    Bytes withPalette(png.begin(), png.begin() + 33); // signature and IHDR
    appendChunk(withPalette, "PLTE", {10, 20, 30, 40, 50, 60});
    appendChunk(withPalette, "tRNS", {255, 128});
    withPalette.insert(withPalette.end(), png.begin() + 33, png.end());
    writeFile(path, withPalette);

    int width = 0;
    int height = 0;
    int channels = 0;
    int decoded = 0;
    unsigned char* pixels = readPng(path.c_str(), width, height, channels, &decoded);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(decoded, 4);
    const Bytes rgba(pixels, pixels + 16);
    std::free(pixels);
    // Top row: entries 0, 1; bottom row: 1, 0.
    EXPECT_EQ(rgba, (Bytes{10, 20, 30, 255, 40, 50, 60, 128, 40, 50, 60, 128, 10, 20, 30, 255}));
}

TEST(PngReaderTest, RefusesImagesTooLargeToDecodeBeforeAllocatingTheirPixels)
{
    ScratchDir scratch;
    int width = 0;
    int height = 0;
    int channels = 0;

    // A header claiming 100000 × 100000 RGB pixels over a few bytes of data.
    const std::string claimed = scratch.file("claimed.png");
    writeFile(claimed, pngFile(100000, 100000, 8, PNG_COLOR_TYPE_RGB, unfiltered({Bytes(6, 0)})));
    EXPECT_EQ(readPng(claimed.c_str(), width, height, channels), nullptr);
    EXPECT_EQ(width, 100000);
    EXPECT_EQ(height, 100000);
    EXPECT_EQ(channels, 3);

    // A complete 1-bit image, a few kB on disk, whose RGB rows would take just over 256 MiB.
    const std::uint32_t wide = 16384;
    const auto image = [&](std::uint32_t rows) {
        const std::string path = scratch.file("grey" + std::to_string(rows) + ".png");
        const std::vector<Bytes> black(rows, Bytes(wide / 8, 0));
        writeFile(path, pngFile(wide, rows, 1, PNG_COLOR_TYPE_GRAY, unfiltered(black)));
        return path;
    };
    const std::string tooLarge = image(5462);
    EXPECT_EQ(readPng(tooLarge.c_str(), width, height, channels), nullptr);
    EXPECT_EQ(height, 5462);

    // The same rows, fewer of them, decode: the refusal is about size alone.
    const std::string small = image(2);
    int decoded = 0;
    unsigned char* pixels = readPng(small.c_str(), width, height, channels, &decoded);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 16384);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(decoded, 3);
    std::free(pixels);
}

} // namespace
