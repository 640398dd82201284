#include "effects/isosurface/MarchingCubesTables.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr int kEdgeCorners[12][2] = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
};
constexpr int kCornerOffsets[8][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
};

int triangleCountOf(int row)
{
    int entries = 0;
    while (entries < 16 && kTriangleTable[row][entries] != -1) {
        ++entries;
    }
    return entries / 3;
}

std::vector<int> rowEntries(int row)
{
    std::vector<int> entries;
    for (int i = 0; i < 16 && kTriangleTable[row][i] != -1; ++i) {
        entries.push_back(kTriangleTable[row][i]);
    }
    return entries;
}

} // namespace

TEST(MarchingCubesTablesTest, HoldTheKnownRowsAndTotal)
{
    int total = 0;
    for (int n = 0; n < 256; ++n) {
        total += triangleCountOf(n);
    }
    EXPECT_EQ(total, 820);
    EXPECT_EQ(rowEntries(0), std::vector<int>{});
    EXPECT_EQ(rowEntries(1), (std::vector<int>{0, 8, 3}));
    EXPECT_EQ(rowEntries(3), (std::vector<int>{1, 8, 3, 9, 8, 1}));
    EXPECT_EQ(rowEntries(254), (std::vector<int>{0, 3, 8}));
    EXPECT_EQ(rowEntries(255), std::vector<int>{});
    EXPECT_EQ(kEdgeTable[1], 0x109);
    EXPECT_EQ(kEdgeTable[254], 0x109);
}

TEST(MarchingCubesTablesTest, EveryRowIsWholeTrianglesEndedByMinusOne)
{
    for (int n = 0; n < 256; ++n) {
        int entries = 0;
        while (entries < 16 && kTriangleTable[n][entries] != -1) {
            EXPECT_GE(kTriangleTable[n][entries], 0) << "row " << n;
            EXPECT_LT(kTriangleTable[n][entries], 12) << "row " << n;
            ++entries;
        }
        EXPECT_EQ(entries % 3, 0) << "row " << n;
        EXPECT_LE(entries, 15) << "row " << n;
        for (int i = entries; i < 16; ++i) {
            EXPECT_EQ(kTriangleTable[n][i], -1) << "row " << n << " entry " << i;
        }
    }
}

// Edge e is crossed exactly when one of its corners is below the level and the other is not, and the
// triangles of a row use every crossed edge and no other.
TEST(MarchingCubesTablesTest, EdgeMasksFollowFromTheCornersAndMatchTheTriangles)
{
    for (int n = 0; n < 256; ++n) {
        int derived = 0;
        for (int e = 0; e < 12; ++e) {
            const bool first = (n >> kEdgeCorners[e][0]) & 1;
            const bool second = (n >> kEdgeCorners[e][1]) & 1;
            if (first != second) {
                derived |= 1 << e;
            }
        }
        EXPECT_EQ(kEdgeTable[n], derived) << "cube index " << n;
        int used = 0;
        for (int edge : rowEntries(n)) {
            EXPECT_TRUE(kEdgeTable[n] & (1 << edge)) << "row " << n << " uses uncrossed edge " << edge;
            used |= 1 << edge;
        }
        EXPECT_EQ(used, kEdgeTable[n]) << "row " << n;
    }
}

// A swapped pair in any triangle would turn it against its neighbours: every triangle must face from the
// corners below the level towards those above, with the same winding throughout the table.
TEST(MarchingCubesTablesTest, EveryTriangleIsWoundTheSameWay)
{
    int facingUp = 0;
    for (int n = 0; n < 256; ++n) {
        const std::vector<int> entries = rowEntries(n);
        for (std::size_t t = 0; t + 2 < entries.size(); t += 3) {
            std::array<std::array<double, 3>, 3> p{};
            std::array<double, 3> rising{};
            for (int v = 0; v < 3; ++v) {
                const int a = kEdgeCorners[entries[t + v]][0];
                const int b = kEdgeCorners[entries[t + v]][1];
                const bool aBelow = (n >> a) & 1;
                const int low = aBelow ? a : b;
                const int high = aBelow ? b : a;
                for (int c = 0; c < 3; ++c) {
                    p[v][c] = (kCornerOffsets[a][c] + kCornerOffsets[b][c]) / 2.0;
                    rising[c] += kCornerOffsets[high][c] - kCornerOffsets[low][c];
                }
            }
            const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const double w[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const double normal[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            const double facing = normal[0] * rising[0] + normal[1] * rising[1] + normal[2] * rising[2];
            EXPECT_GT(facing, 0.0) << "row " << n << " triangle " << t / 3;
            facingUp += facing > 0.0 ? 1 : 0;
        }
    }
    EXPECT_EQ(facingUp, 820);
}
