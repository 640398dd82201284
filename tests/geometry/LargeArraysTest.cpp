#include "geometry/LargeArrays.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

bool hugePagesAvailable()
{
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    return std::getline(setting, line) && line.find("[never]") == std::string::npos;
}

// The VmFlags line of the mapping that holds `address`: "hg" marks memory advised for huge pages.
std::string mappingFlags(const void* address)
{
    const auto target = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(maps, line)) {
        unsigned long long begin = 0, end = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx ", &begin, &end) == 2) {
            inside = target >= begin && target < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

bool advisedHuge(const void* address)
{
    std::istringstream flags(mappingFlags(address));
    std::string flag;
    while (flags >> flag) {
        if (flag == "hg") {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(LargeArraysTest, OnlyArraysOfAHugePageOrMoreAreAdvisedAndTheMeshGeneratorsUseIt)
{
    if (!hugePagesAvailable()) {
        GTEST_SKIP() << "transparent huge pages are off on this machine";
    }
    constexpr std::size_t kLarge = std::size_t{8} << 20;
    std::unique_ptr<float[]> large(new float[kLarge / sizeof(float)]);
    ASSERT_FALSE(advisedHuge(large.get() + kLarge / sizeof(float) / 2));
    adviseHugePages(large.get(), kLarge);
    // Every whole page of the array: partial pages at its ends may hold other allocations.
    EXPECT_TRUE(advisedHuge(large.get() + kLarge / sizeof(float) / 2));
    EXPECT_TRUE(advisedHuge(large.get() + (kLarge - 8192) / sizeof(float)));

    constexpr std::size_t kSmall = std::size_t{1} << 20;
    std::unique_ptr<float[]> small(new float[kSmall / sizeof(float)]);
    adviseHugePages(small.get(), kSmall);
    EXPECT_FALSE(advisedHuge(small.get() + kSmall / sizeof(float) / 2));
    adviseHugePages(nullptr, kLarge); // nothing to advise, and no crash

    // A tube of 2000 stacks has arrays of 4 to 8 MB: every one is advised.
    std::unique_ptr<MeshObject> tube(PrimitiveFactory::createSeamedCylinder(160, 2000, 1.0f, 240.0f));
    const std::size_t vertexFloats = std::size_t{3} * static_cast<std::size_t>(tube->getVertexCount());
    EXPECT_TRUE(advisedHuge(tube->getVertices() + vertexFloats / 2));
    EXPECT_TRUE(advisedHuge(tube->getNormals() + vertexFloats / 2));
    EXPECT_TRUE(advisedHuge(tube->getIndices() + std::size_t{3} * tube->getPolygonCount() / 2));
}
