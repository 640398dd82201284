// The shader back end's rooms that make no GL call, tested without a context.
#include "gl/FixedFunctionState.h"
#include "gl/LineEmulation.h"
#include "gl/ProgramVariants.h"
#include "gl/StreamRotation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using State = FixedFunctionState;
namespace f = fixed_function;

State::Sources positionsOnly(const float* positions, GLint size)
{
    State::Sources sources;
    sources.data[State::PositionSlot] = reinterpret_cast<const std::uint8_t*>(positions);
    sources.size[State::PositionSlot] = size;
    sources.stride[State::PositionSlot] = static_cast<GLsizei>(size * sizeof(float));
    return sources;
}

} // namespace

// A projection with w = -z over a 100 x 100 viewport. Counter-clockwise on the screen is the front; a triangle
// with a corner behind the eye is judged by the part in front, which the corner's projection alone would turn
// over. Kept triangles give their edges closing edge first, and under flat shading their last vertex shades them.
TEST(LineEmulation, EdgesOfTrianglesCulledByTheirWindingOnTheScreen)
{
    const float positions[] = {-1, -1, -1, 1, -1, -1, 0, 1, -1, /* behind the eye: */ 0, 1, 0.5f};
    float mvp[16] = {};
    mvp[0] = mvp[5] = mvp[10] = 1.0f;
    mvp[11] = -1.0f;
    const GLint viewport[4] = {0, 0, 100, 100};
    const std::uint32_t triangles[] = {0, 1, 2, /* mirrored: */ 1, 0, 2, /* partly behind: */ 0, 1, 3, 1, 0, 3};
    LineEmulation lines;
    lines.edgesOf(triangles, 4, positionsOnly(positions, 3), mvp, viewport, true, true);
    EXPECT_EQ(lines.edges(), (std::vector<std::uint32_t>{2, 0, 0, 1, 1, 2, 3, 0, 0, 1, 1, 3}));
    EXPECT_EQ(lines.edgeShading(), (std::vector<std::uint32_t>{2, 2, 2, 3, 3, 3}));
    lines.edgesOf(triangles, 4, positionsOnly(positions, 3), mvp, viewport, false, false);
    EXPECT_EQ(lines.edges().size(), 24u) << "without culling every triangle keeps its edges";
    EXPECT_TRUE(lines.edgeShading().empty());
}

// Line 0 runs from vertex 1 to vertex 0: positions of two components (z is 0), colours of three (alpha is 1),
// normals and texture coordinates current. Corners 0 and 1 sit at the first end, 2 and 3 at the second, each
// carrying the other end too; a line shaded by vertex 2 takes its colour at both ends.
TEST(LineEmulation, QuadCornersCarryTheirEndAndTheOtherAndNumberThemselves)
{
    const float positions[] = {1, 2, 3, 4, 5, 6};
    const float colors[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    State::Sources sources = positionsOnly(positions, 2);
    sources.data[State::ColorSlot] = reinterpret_cast<const std::uint8_t*>(colors);
    sources.size[State::ColorSlot] = 3;
    sources.stride[State::ColorSlot] = 3 * sizeof(float);
    State::Current current;
    current.normal[0] = 0.5f;
    current.texCoord[1] = 0.25f;
    const std::uint32_t line[] = {1, 0};
    const std::uint32_t shading[] = {2};
    LineEmulation lines;
    lines.cornersOf(line, 1, sources, current);
    const std::vector<LineEmulation::Corner> plain = lines.corners();
    lines.cornersOf(line, 1, sources, current, shading);
    const std::vector<LineEmulation::Corner>& shaded = lines.corners();
    ASSERT_EQ(plain.size(), 4u);
    ASSERT_EQ(shaded.size(), 4u);
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        const LineEmulation::Corner& corner = plain[c];
        const bool atFirst = c < 2;
        EXPECT_EQ(corner.corner[0], static_cast<float>(c));
        const std::vector<float> here = atFirst ? std::vector<float>{3, 4, 0} : std::vector<float>{1, 2, 0};
        const std::vector<float> there = atFirst ? std::vector<float>{1, 2, 0} : std::vector<float>{3, 4, 0};
        EXPECT_EQ(std::vector<float>(corner.position, corner.position + 3), here);
        EXPECT_EQ(std::vector<float>(corner.otherEnd, corner.otherEnd + 3), there);
        EXPECT_EQ(corner.color[0], atFirst ? 0.4f : 0.1f);
        EXPECT_EQ(corner.otherColor[0], atFirst ? 0.1f : 0.4f);
        EXPECT_EQ(corner.color[3], 1.0f);
        EXPECT_EQ(corner.normal[0], 0.5f);
        EXPECT_EQ(corner.otherTexCoord[1], 0.25f);
        EXPECT_EQ(shaded[c].color[0], 0.7f);
        EXPECT_EQ(shaded[c].otherColor[0], 0.7f);
        EXPECT_EQ(shaded[c].position[0], corner.position[0]);
    }
}

// Writes share a store, each on a 16-byte boundary, until one does not fit; then the next of three stores is
// taken (the one left is to be fenced), grown first when the write is larger, and after the third the first
// comes round again.
TEST(StreamRotation, WritesShareAStoreUntilFullThenTurnThroughEveryStore)
{
    constexpr std::size_t kMegabyte = std::size_t{1} << 20;
    StreamRotation rotation;
    StreamRotation::Placement p = rotation.place(10);
    EXPECT_EQ(p.store, 0);
    EXPECT_TRUE(p.turned);
    EXPECT_EQ(p.left, -1);
    EXPECT_EQ(p.grownTo, 4 * kMegabyte);
    p = rotation.place(10);
    EXPECT_EQ(p.store, 0);
    EXPECT_EQ(p.offset, 16u);
    EXPECT_FALSE(p.turned);
    EXPECT_EQ(p.grownTo, 0u);
    EXPECT_EQ(rotation.place(4 * kMegabyte - 32).offset, 32u);
    const int expected[] = {1, 2, 0, 1};
    for (int turn = 0; turn < 4; ++turn) {
        SCOPED_TRACE(turn);
        p = rotation.place(turn == 2 ? 5 * kMegabyte : 4 * kMegabyte);
        EXPECT_EQ(p.store, expected[turn]);
        EXPECT_EQ(p.left, turn == 0 ? 0 : expected[turn - 1]);
        EXPECT_TRUE(p.turned);
        EXPECT_EQ(p.offset, 0u);
        EXPECT_EQ(p.grownTo, turn < 2 ? 4 * kMegabyte : turn == 2 ? 5 * kMegabyte : 0u);
    }
    EXPECT_EQ(rotation.capacity(0), 5 * kMegabyte);
}

// A variant that does not compile is made once: every later draw with its switches is refused at once. A
// variant that does is made once too, and uploads each uniform it has only when its value changed since that
// variant last drew.
TEST(ProgramVariants, AFailedVariantStaysFailedAndUniformsGoUpOnlyWhenChanged)
{
    std::vector<int> made;
    ProgramVariants variants([&made](int flags, GLint* locations) {
        made.push_back(flags);
        for (int u = 0; u < f::kUniformCount; ++u) {
            locations[u] = u == static_cast<int>(f::Uniform::FogColor) ? -1 : u;
        }
        return flags == f::Fog ? GLuint{0} : GLuint{7};
    });
    EXPECT_EQ(variants.find(f::Fog), nullptr);
    EXPECT_EQ(variants.find(f::Fog), nullptr);
    ProgramVariants::Variant* lit = variants.find(f::Lighting);
    ASSERT_NE(lit, nullptr);
    EXPECT_EQ(variants.find(f::Lighting), lit);
    EXPECT_EQ(made, (std::vector<int>{f::Fog, f::Lighting}));
    EXPECT_EQ(variants.programs(), std::vector<GLuint>{7});

    const auto bit = [](f::Uniform u) { return std::uint32_t{1} << static_cast<int>(u); };
    f::UniformValues values;
    const std::uint32_t all = (std::uint32_t{1} << f::kUniformCount) - 1;
    EXPECT_EQ(ProgramVariants::changed(*lit, values), all & ~bit(f::Uniform::Texture) & ~bit(f::Uniform::FogColor));
    EXPECT_EQ(ProgramVariants::changed(*lit, values), 0u);
    values[f::Uniform::Modelview][15] = 1.0f;
    values[f::Uniform::FogColor][0] = 1.0f;
    EXPECT_EQ(ProgramVariants::changed(*lit, values), bit(f::Uniform::Modelview));
    EXPECT_EQ(ProgramVariants::changed(*lit, values), 0u);
}

// A light is fixed in eye space when it is set (a direction normalised), and later matrices leave it; a
// bound texture without an image leaves fragments untextured, as an incomplete texture does in GL; colour
// material takes the current colour the moment it is switched on.
TEST(FixedFunctionState, KeepsWhatTheDriverWouldKeepWithoutAContext)
{
    State state;
    state.translatef(0.0f, 0.0f, -5.0f);
    const float point[] = {1, 2, 3, 1};
    state.lightfv(GL_LIGHT0, GL_POSITION, point);
    state.loadIdentity();
    EXPECT_EQ(std::vector<float>(state.lighting.lightPosition, state.lighting.lightPosition + 4),
              (std::vector<float>{1, 2, -2, 1}));
    state.setCap(GL_LIGHTING, true);
    EXPECT_EQ(state.flags(), f::Lighting | f::PositionalLight);
    const float direction[] = {0, 0, 2, 0};
    state.lightfv(GL_LIGHT0, GL_POSITION, direction);
    EXPECT_EQ(state.lighting.lightPosition[2], 1.0f);
    EXPECT_EQ(state.flags(), f::Lighting);

    state.setCap(GL_LIGHTING, false);
    state.setCap(GL_TEXTURE_2D, true);
    state.texturing.bound = 5;
    EXPECT_EQ(state.flags(), 0);
    state.texturing.withImages.insert(5);
    state.setCap(GL_TEXTURE_GEN_S, true);
    EXPECT_EQ(state.flags(), f::Texture);
    state.setCap(GL_TEXTURE_GEN_T, true);
    state.texGeni(GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    EXPECT_EQ(state.flags(), f::Texture | f::ReflectionMap);

    state.color(0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(state.lighting.materialDiffuse[0], 0.8f);
    state.setCap(GL_COLOR_MATERIAL, true);
    EXPECT_EQ(state.lighting.materialDiffuse[0], 0.25f);
    EXPECT_EQ(state.lighting.materialAmbient[2], 0.75f);
}
