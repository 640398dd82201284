#include "tools/assets/TextureMaker.h"

#include "tools/assets/Canvas.h"
#include "tools/assets/ChromeEnvironment.h"
#include "tools/shared/PngWriter.h"
#include "tools/assets/SpikeBallPainter.h"
#include "tools/assets/TextPainter.h"
#include "tools/shared/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// What the pictures show is ours to choose; the file names, the formats and the planes they are drawn
// on are the scenes'.
namespace {

const char* const kBoldFont = QUESSALY_FONT_DIR "/DejaVuSans-Bold.ttf";
const char* const kRegularFont = QUESSALY_FONT_DIR "/DejaVuSans.ttf";

// ---- Sizes. Text pictures keep the aspect of the plane they are drawn on.
constexpr int kLogoWidth = 1024;         // the logo spans most of the screen
constexpr int kWordHeight = 128;         // a word is about 115 pixels tall on a 720-line screen
constexpr int kPanelWidth = 1024;        // panels fly up to fill the screen
constexpr int kEnvironmentSize = 512;
constexpr int kEnvironmentSamples = 2;   // per axis and pixel
constexpr int kSpikeBallSize = 512;
constexpr int kIconSize = 256;
constexpr int kParticleSize = 128;
constexpr int kBackgroundWidth = 640;    // doubled exactly at 1280×720 by its nearest filter
constexpr int kBackgroundHeight = 360;

struct Plane {
    float width;
    float height;
};

// ---- The logo and the seven words.
constexpr Plane kLogoPlane{80.0f, 20.6f};

struct Word {
    const char* file;
    const char* text;
    Plane plane;
};

const Word kWords[] = {
    {"youre.png", "YOU\u2019RE", {0.539f, 0.141f}},
    {"on.png", "ON", {0.231f, 0.123f}},
    {"the.png", "THE", {0.281f, 0.14f}},
    {"zarn.png", "ZARN", {0.376f, 0.128f}},
    {"of.png", "OF", {0.198f, 0.129f}},
    {"vusk.png", "VUSK", {0.509f, 0.151f}},
    {"insanity.png", "INSANITY", {0.737f, 0.131f}},
};

// ---- The greetings panels. Every handle and group name here is made up.
struct Panel {
    const char* file;
    Plane plane;
    Colour accent;
    std::vector<TextLine> lines;
};

constexpr Colour kCyan{0.35f, 0.85f, 1.0f, 1.0f};
constexpr Colour kMagenta{1.0f, 0.4f, 0.85f, 1.0f};
constexpr Colour kGold{1.0f, 0.78f, 0.3f, 1.0f};
constexpr Colour kGreen{0.45f, 1.0f, 0.55f, 1.0f};
constexpr Colour kViolet{0.7f, 0.55f, 1.0f, 1.0f};

const Panel kPanels[] = {
    {"Credits.png", {1.236f, 0.38f}, kGold,
     {{"A Vantorel production", 1.0f, true, false},
      {"code Skarnwell  \u00b7  music Ondrevik", 0.55f, false, true},
      {"graphics Pellucine", 0.55f, false, true}}},
    {"comments.png", {3.44f, 0.72f}, kCyan,
     {{"Thanks for watching!", 1.0f, true, false},
      {"Every pixel and every note made from scratch", 0.5f, false, true}}},
    {"Brontask.png", {4.924f, 0.824f}, kMagenta,
     {{"Greetings to", 0.45f, false, true}, {"Brontask", 1.0f, true, false}}},
    {"Ismerel.png", {2.124f, 0.476f}, kGreen,
     {{"Greetings to", 0.45f, false, true}, {"Ismerel", 1.0f, true, false}}},
    {"Daggomir.png", {5.52f, 0.632f}, kGold, {{"Greetings to Daggomir", 1.0f, true, false}}},
    {"C64Scene.png", {3.74f, 0.504f}, kViolet, {{"Greetings to the C64 scene", 1.0f, true, false}}},
    {"TheAmigaSceneRules.png", {5.792f, 0.996f}, kCyan, {{"The Amiga scene rules!", 1.0f, true, false}}},
    {"Greetz1.png", {6.608f, 1.276f}, kMagenta,
     {{"More greetings to", 0.5f, false, true},
      {"Murkhollow  \u00b7  Tessaline  \u00b7  Quorvix", 0.75f, true, false},
      {"Gloamfire  \u00b7  Zentrovar", 0.75f, true, false}}},
    {"Greetz2.png", {5.672f, 1.664f}, kGreen,
     {{"\u2026and to", 0.5f, false, true},
      {"Pyxelgrund  \u00b7  Hollowmere", 0.75f, true, false},
      {"Saffrox  \u00b7  Wyrdlace", 0.75f, true, false},
      {"Nebbukan  \u00b7  Thraxmoor", 0.75f, true, false}}},
    {"Greetz3.png", {6.36f, 1.572f}, kGold,
     {{"\u2026and to", 0.5f, false, true},
      {"Ulvendahl  \u00b7  Corvantis", 0.75f, true, false},
      {"Mirelight  \u00b7  Droskel", 0.75f, true, false},
      {"Fennimark  \u00b7  Ashkelda", 0.75f, true, false}}},
};

// ---- Colours.
constexpr Colour kInk{0.02f, 0.03f, 0.09f, 1.0f};        // outlines
constexpr Colour kLogoGlow{0.3f, 0.6f, 1.0f, 1.0f};
constexpr Colour kWordGlow{1.0f, 0.45f, 0.1f, 1.0f};
constexpr Colour kPlateTop{0.06f, 0.08f, 0.2f, 0.72f};
constexpr Colour kPlateBottom{0.01f, 0.01f, 0.06f, 0.72f};
constexpr Colour kParticleCore{1.0f, 1.0f, 1.0f, 1.0f};
constexpr Colour kParticleRim{0.55f, 0.75f, 1.0f, 1.0f};

// Chrome lettering: sky above a dark horizon line, warm ground below.
const Gradient kLogoFill({{0.0f, {0.45f, 0.65f, 1.0f, 1.0f}},
                          {0.47f, {0.97f, 0.98f, 1.0f, 1.0f}},
                          {0.5f, {0.16f, 0.12f, 0.26f, 1.0f}},
                          {0.56f, {0.5f, 0.3f, 0.18f, 1.0f}},
                          {1.0f, {1.0f, 0.86f, 0.55f, 1.0f}}});
const Gradient kWordFill({{0.0f, {1.0f, 0.98f, 0.85f, 1.0f}},
                          {0.5f, {1.0f, 0.8f, 0.3f, 1.0f}},
                          {1.0f, {0.95f, 0.42f, 0.08f, 1.0f}}});
const Gradient kPanelFill({{0.0f, {1.0f, 1.0f, 1.0f, 1.0f}}, {1.0f, {0.75f, 0.85f, 1.0f, 1.0f}}});

// ---- Environments for the chrome surfaces.
// Outdoors: blue sky, a sun, hills on the horizon and a gridded plain.
const EnvironmentLook kOutdoor{
    {0.05f, 0.16f, 0.5f, 1.0f},  // zenith
    {0.7f, 0.83f, 1.0f, 1.0f},   // sky at the horizon
    {0.36f, 0.27f, 0.2f, 1.0f},  // ground at the horizon
    {0.1f, 0.07f, 0.05f, 1.0f},  // nadir
    {0.6f, 0.55f, 0.5f, 1.0f},   // horizon glow
    0.03f,
    {-0.45f, 0.5f, 0.75f},       // sun, up and behind the viewer's left shoulder
    {1.0f, 0.95f, 0.8f, 1.0f},
    0.07f,
    48.0f,
    {0.2f, 0.24f, 0.36f, 1.0f},  // hills
    0.09f,
    {0.85f, 0.6f, 0.35f, 1.0f},  // grid
    1.5f,
    {}};
// A studio: a bright backdrop above a dark floor, and softboxes for the hard highlights of polished
// metal.
const EnvironmentLook kStudio{
    {0.3f, 0.33f, 0.42f, 1.0f},
    {0.88f, 0.9f, 0.96f, 1.0f},
    {0.04f, 0.04f, 0.05f, 1.0f},
    {0.32f, 0.3f, 0.3f, 1.0f},
    {0.4f, 0.4f, 0.45f, 1.0f},
    0.015f,
    {0.0f, 0.0f, 0.0f},
    {},
    0.0f,
    1.0f,
    {},
    0.0f,
    {},
    0.0f,
    {{{0.0f, 0.85f, 0.5f}, 0.7f, 0.3f, 0.08f, {1.2f, 1.2f, 1.2f, 1.0f}},
     {{-0.9f, 0.15f, 0.45f}, 0.14f, 0.8f, 0.05f, {1.0f, 0.92f, 0.8f, 1.0f}},
     {{0.85f, -0.05f, 0.5f}, 0.12f, 0.6f, 0.04f, {0.6f, 0.8f, 1.0f, 1.0f}},
     {{0.25f, -0.55f, 0.8f}, 0.35f, 0.08f, 0.04f, {0.9f, 0.75f, 0.55f, 1.0f}}}};

// ---- A full-screen backdrop (loaded, though no scene draws it): a night sky over a glowing grid.
constexpr float kBackdropHorizon = 0.62f; // of the height
constexpr int kStarCount = 110;
constexpr std::uint32_t kStarSeed = 0x51A7u;
constexpr Colour kNightTop{0.02f, 0.01f, 0.08f, 1.0f};
constexpr Colour kNightHorizon{0.42f, 0.08f, 0.34f, 1.0f};
constexpr Colour kFloorFar{0.16f, 0.02f, 0.18f, 1.0f};
constexpr Colour kFloorNear{0.02f, 0.0f, 0.05f, 1.0f};
constexpr Colour kFloorLine{0.2f, 0.85f, 1.0f, 1.0f};

// ---------------------------------------------------------------------------------------------

// A width for the given height (or the other way round) with the plane's aspect; widths are
// multiples of four.
int widthFor(const Plane& plane, int height)
{
    return 4 * static_cast<int>(std::lround(static_cast<float>(height) * plane.width / plane.height / 4.0f));
}

int heightFor(const Plane& plane, int width)
{
    return static_cast<int>(std::lround(static_cast<float>(width) * plane.height / plane.width));
}

Colour transparent(Colour colour)
{
    colour.a = 0.0f;
    return colour;
}

PixelBox wholeOf(const Canvas& canvas)
{
    return {0.0f, 0.0f, static_cast<float>(canvas.width()), static_cast<float>(canvas.height())};
}

TextStyle logoStyle()
{
    TextStyle style;
    style.fill = kLogoFill;
    style.accentFill = kLogoFill;
    style.outline = kInk;
    style.outlineWidth = 5.0f;
    style.glow = kLogoGlow;
    style.glowRadius = 6;
    style.glowStrength = 1.8f;
    style.bevel = 1.2f;
    return style;
}

TextStyle wordStyle()
{
    TextStyle style;
    style.fill = kWordFill;
    style.accentFill = kWordFill;
    style.outline = kInk;
    style.outlineWidth = 3.5f;
    style.glow = kWordGlow;
    style.glowRadius = 4;
    style.glowStrength = 1.6f;
    style.bevel = 0.8f;
    return style;
}

TextStyle panelStyle(const Colour& accent)
{
    TextStyle style;
    style.fill = kPanelFill;
    style.accentFill = Gradient({{0.0f, mix(accent, {1.0f, 1.0f, 1.0f, 1.0f}, 0.45f)}, {1.0f, accent}});
    style.outline = kInk;
    style.outlineWidth = 2.5f;
    style.glow = accent;
    style.glowRadius = 3;
    style.glowStrength = 0.9f;
    style.lineGap = 0.2f;
    return style;
}

Canvas paintPanel(const Panel& panel, const TextPainter& painter)
{
    const int height = heightFor(panel.plane, kPanelWidth);
    Canvas canvas(kPanelWidth, height, transparent(kPlateBottom));
    // Clear edges keep the repeating texture from bleeding across when it is filtered.
    const float inset = 2.0f;
    const PixelBox plate{inset, inset, kPanelWidth - inset, height - inset};
    const float radius = std::min(28.0f, height * 0.2f);
    canvas.fillRoundedBox(plate, radius, Gradient({{0.0f, kPlateTop}, {1.0f, kPlateBottom}}), 3.0f,
                          {panel.accent.r, panel.accent.g, panel.accent.b, 0.9f});
    const float padding = std::max(10.0f, height * 0.08f);
    const PixelBox textBox{plate.left + radius * 0.6f, plate.top + padding * 0.5f, plate.right - radius * 0.6f,
                           plate.bottom - padding * 0.5f};
    painter.paint(canvas, panel.lines, panelStyle(panel.accent), textBox);
    return canvas;
}

Canvas paintParticle()
{
    Canvas canvas(kParticleSize, kParticleSize, transparent(kParticleRim));
    const float centre = kParticleSize * 0.5f;
    const float reach = centre - 1.0f; // transparent by the last pixel
    const float floorLevel = std::exp(-4.0f);
    for (int y = 0; y < kParticleSize; ++y) {
        for (int x = 0; x < kParticleSize; ++x) {
            const float dx = x + 0.5f - centre;
            const float dy = y + 0.5f - centre;
            const float r = std::sqrt(dx * dx + dy * dy) / reach;
            if (r >= 1.0f) {
                continue;
            }
            Colour colour = mix(kParticleCore, kParticleRim, std::min(1.0f, r * 1.5f));
            colour.a = (std::exp(-4.0f * r * r) - floorLevel) / (1.0f - floorLevel);
            canvas.set(x, y, colour);
        }
    }
    return canvas;
}

Canvas paintBackground()
{
    Canvas canvas(kBackgroundWidth, kBackgroundHeight, kNightTop);
    const int horizon = static_cast<int>(kBackgroundHeight * kBackdropHorizon);
    for (int y = 0; y < kBackgroundHeight; ++y) {
        for (int x = 0; x < kBackgroundWidth; ++x) {
            Colour colour;
            if (y < horizon) {
                const float height = static_cast<float>(horizon - y) / horizon;
                colour = mix(kNightHorizon, kNightTop, std::pow(height, 0.45f));
            } else {
                // A floor seen in perspective: rows map to distance, columns fan out from the middle.
                const float below = (y - horizon + 0.5f) / (kBackgroundHeight - horizon);
                colour = mix(kFloorFar, kFloorNear, std::sqrt(below));
                const float distance = 1.0f / below;
                const float across = (x + 0.5f - kBackgroundWidth * 0.5f) / kBackgroundHeight * distance * 4.0f;
                const float depthLine = std::fabs(distance * 2.0f - std::round(distance * 2.0f)) / (distance * 0.9f);
                const float sideLine = std::fabs(across - std::round(across)) / (distance * 0.12f);
                const float line = std::max(0.0f, 1.0f - std::min(depthLine * 8.0f, sideLine));
                colour = mix(colour, kFloorLine, line * std::min(1.0f, below * 2.5f));
            }
            colour.a = 1.0f;
            canvas.set(x, y, colour);
        }
    }
    // Stars from a fixed seed, so every run draws the same sky.
    std::uint32_t state = kStarSeed;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    };
    for (int i = 0; i < kStarCount; ++i) {
        const int x = static_cast<int>(next() * kBackgroundWidth);
        const int y = static_cast<int>(next() * (horizon - 8));
        const float brightness = 0.35f + 0.65f * next() * next();
        canvas.set(x, y, mix(canvas.at(x, y), {1.0f, 1.0f, 1.0f, 1.0f}, brightness));
    }
    return canvas;
}

} // namespace

bool TextureMaker::writeAll(const std::string& directory, std::string* error)
{
    const TextRenderer bold(kBoldFont);
    const TextRenderer regular(kRegularFont);
    for (const TextRenderer* font : {&bold, &regular}) {
        if (!font->isOpen()) {
            if (error != nullptr) {
                *error = font->error();
            }
            return false;
        }
    }
    const TextPainter painter(bold, regular);
    auto save = [&](const char* file, const Canvas& canvas) {
        return PngWriter::write(directory + "/" + file, canvas.width(), canvas.height(), canvas.toRgba8(), error);
    };

    {
        Canvas logo(kLogoWidth, heightFor(kLogoPlane, kLogoWidth), transparent(kLogoGlow));
        painter.paint(logo, {{"QUESSALY", 1.0f, true, false}}, logoStyle(), wholeOf(logo));
        if (!save("orq.png", logo)) {
            return false;
        }
    }
    if (!save("particle.png", paintParticle())) {
        return false;
    }
    const ChromeEnvironment outdoor(kOutdoor);
    const ChromeEnvironment studio(kStudio);
    {
        Canvas spikeBall(kSpikeBallSize, kSpikeBallSize, {0.0f, 0.0f, 0.0f, 0.0f});
        SpikeBallPainter(studio).paint(spikeBall);
        if (!save("spikebal.png", spikeBall)) {
            return false;
        }
    }
    if (!save("background.png", paintBackground())) {
        return false;
    }
    {
        Canvas chrome(kEnvironmentSize, kEnvironmentSize, {});
        studio.paintSphereMap(chrome, kEnvironmentSamples);
        if (!save("chrome.png", chrome)) {
            return false;
        }
    }
    const TextStyle words = wordStyle();
    for (const Word& word : kWords) {
        Canvas canvas(widthFor(word.plane, kWordHeight), kWordHeight, transparent(kWordGlow));
        painter.paint(canvas, {{word.text, 1.0f, true, false}}, words, wholeOf(canvas));
        if (!save(word.file, canvas)) {
            return false;
        }
    }
    {
        Canvas sphereMap(kEnvironmentSize, kEnvironmentSize, {});
        outdoor.paintSphereMap(sphereMap, kEnvironmentSamples);
        if (!save("spheremap.png", sphereMap)) {
            return false;
        }
    }
    for (const Panel& panel : kPanels) {
        if (!save(panel.file, paintPanel(panel, painter))) {
            return false;
        }
    }
    return true;
}

bool TextureMaker::writeIcon(const std::string& path, std::string* error)
{
    const ChromeEnvironment studio(kStudio);
    Canvas icon(kIconSize, kIconSize, {0.0f, 0.0f, 0.0f, 0.0f});
    SpikeBallPainter(studio).paint(icon);
    return PngWriter::write(path, icon.width(), icon.height(), icon.toRgba8(), error);
}
