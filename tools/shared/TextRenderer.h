#pragma once

#include <string>
#include <vector>

class CoverageMask;
struct FT_LibraryRec_;
struct FT_FaceRec_;

// Ink box of a text, in pixels relative to the pen's start on the baseline, y down.
struct TextBounds {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// Sets UTF-8 text in one font with FreeType: unhinted outlines, so sizes scale smoothly and a text
// measured at one size can be fitted to any other.
class TextRenderer {
public:
    explicit TextRenderer(const std::string& fontPath);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // False when the font could not be opened; `error` says why.
    bool isOpen() const { return face != nullptr; }
    const std::string& error() const { return failure; }

    TextBounds measure(const std::string& text, float pixelSize) const;

    // Draws `text` with the pen starting at (x, baselineY): the glyphs' coverage into `fill`, and the
    // glyphs widened by `outlineWidth` pixels into `outline`.
    void draw(const std::string& text, float pixelSize, float x, float baselineY, float outlineWidth,
              CoverageMask& fill, CoverageMask& outline) const;

private:
    struct PlacedGlyph {
        unsigned index;
        float penX;
    };

    std::vector<PlacedGlyph> layout(const std::string& text, float pixelSize) const;
    bool loadGlyph(unsigned index, float pixelSize) const;

    FT_LibraryRec_* library = nullptr;
    FT_FaceRec_* face = nullptr;
    std::string failure;
};
