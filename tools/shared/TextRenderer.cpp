#include "tools/shared/TextRenderer.h"

#include "tools/shared/CoverageMask.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kSubpixels = 64.0f; // FreeType's 26.6 fixed point

// Code points of a UTF-8 string; a byte that starts no valid sequence stands for itself.
std::vector<unsigned> decodeUtf8(const std::string& text)
{
    std::vector<unsigned> codes;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        unsigned code = extra == 0 ? lead : lead & (0x3Fu >> extra);
        bool valid = i + extra < text.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const unsigned next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0u) == 0x80u;
            code = (code << 6) | (next & 0x3Fu);
        }
        codes.push_back(valid ? code : lead);
        i += valid ? extra + 1 : 1;
    }
    return codes;
}

// Copies a rendered glyph bitmap into the mask with its top-left pixel at (left, top).
void blit(const FT_Bitmap& bitmap, int left, int top, CoverageMask& mask)
{
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            if (line[column] != 0) {
                mask.raise(left + static_cast<int>(column), top + static_cast<int>(row), line[column] / 255.0f);
            }
        }
    }
}

// Renders a glyph (consuming it) and copies it into the mask, its origin at (originX, baselineY).
void renderInto(FT_Glyph glyph, int originX, int baselineY, CoverageMask& mask)
{
    if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
        const FT_BitmapGlyph bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
        blit(bitmapGlyph->bitmap, originX + bitmapGlyph->left, baselineY - bitmapGlyph->top, mask);
    }
    FT_Done_Glyph(glyph);
}

} // namespace

TextRenderer::TextRenderer(const std::string& fontPath)
{
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        failure = "cannot start FreeType";
        return;
    }
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        face = nullptr;
        failure = "cannot open the font " + fontPath;
    }
}

TextRenderer::~TextRenderer()
{
    if (face != nullptr) {
        FT_Done_Face(face);
    }
    if (library != nullptr) {
        FT_Done_FreeType(library);
    }
}

bool TextRenderer::loadGlyph(unsigned index, float pixelSize) const
{
    const FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(pixelSize * kSubpixels));
    return FT_Set_Char_Size(face, 0, size, 72, 72) == 0 &&
           FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
           face->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
}

std::vector<TextRenderer::PlacedGlyph> TextRenderer::layout(const std::string& text, float pixelSize) const
{
    std::vector<PlacedGlyph> placed;
    if (face == nullptr) {
        return placed;
    }
    float pen = 0.0f;
    unsigned previous = 0;
    for (const unsigned code : decodeUtf8(text)) {
        const unsigned index = FT_Get_Char_Index(face, code);
        if (!loadGlyph(index, pixelSize)) {
            continue;
        }
        if (previous != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning{};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kerning) == 0) {
                pen += static_cast<float>(kerning.x) * pixelSize / static_cast<float>(face->units_per_EM);
            }
        }
        placed.push_back({index, pen});
        // The linear advance is unrounded (16.16), so the spacing scales exactly with the size.
        pen += static_cast<float>(face->glyph->linearHoriAdvance) / 65536.0f;
        previous = index;
    }
    return placed;
}

TextBounds TextRenderer::measure(const std::string& text, float pixelSize) const
{
    TextBounds bounds{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                      std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
    bool inked = false;
    for (const PlacedGlyph& glyph : layout(text, pixelSize)) {
        if (!loadGlyph(glyph.index, pixelSize) || face->glyph->outline.n_points == 0) {
            continue;
        }
        FT_BBox box;
        FT_Outline_Get_CBox(&face->glyph->outline, &box);
        bounds.left = std::min(bounds.left, glyph.penX + static_cast<float>(box.xMin) / kSubpixels);
        bounds.right = std::max(bounds.right, glyph.penX + static_cast<float>(box.xMax) / kSubpixels);
        bounds.top = std::min(bounds.top, -static_cast<float>(box.yMax) / kSubpixels);
        bounds.bottom = std::max(bounds.bottom, -static_cast<float>(box.yMin) / kSubpixels);
        inked = true;
    }
    return inked ? bounds : TextBounds{};
}

void TextRenderer::draw(const std::string& text, float pixelSize, float x, float baselineY, float outlineWidth,
                        CoverageMask& fill, CoverageMask& outline) const
{
    if (face == nullptr) {
        return;
    }
    FT_Stroker stroker = nullptr;
    if (outlineWidth > 0.0f && FT_Stroker_New(library, &stroker) == 0) {
        FT_Stroker_Set(stroker, static_cast<FT_Fixed>(std::lround(outlineWidth * kSubpixels)),
                       FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
    }
    const int baseline = static_cast<int>(std::lround(baselineY));
    // FreeType's y runs up: the fraction of the baseline moves the outline down by that much.
    const float baselineShift = (static_cast<float>(baseline) - baselineY) * kSubpixels;
    for (const PlacedGlyph& placed : layout(text, pixelSize)) {
        if (!loadGlyph(placed.index, pixelSize)) {
            continue;
        }
        const float penX = x + placed.penX;
        const int originX = static_cast<int>(std::floor(penX));
        FT_Vector shift{static_cast<FT_Pos>(std::lround((penX - static_cast<float>(originX)) * kSubpixels)),
                        static_cast<FT_Pos>(std::lround(baselineShift))};
        FT_Glyph glyph = nullptr;
        if (FT_Get_Glyph(face->glyph, &glyph) != 0) {
            continue;
        }
        FT_Glyph_Transform(glyph, nullptr, &shift);
        if (stroker != nullptr) {
            FT_Glyph stroked = nullptr;
            if (FT_Glyph_Copy(glyph, &stroked) == 0) {
                if (FT_Glyph_Stroke(&stroked, stroker, 1) == 0) {
                    renderInto(stroked, originX, baseline, outline);
                } else {
                    FT_Done_Glyph(stroked);
                }
            }
        }
        FT_Glyph solid = nullptr;
        if (FT_Glyph_Copy(glyph, &solid) == 0) {
            renderInto(solid, originX, baseline, outline);
        }
        renderInto(glyph, originX, baseline, fill);
    }
    if (stroker != nullptr) {
        FT_Stroker_Done(stroker);
    }
}
