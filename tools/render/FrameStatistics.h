#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Frame times per scene: how many frames each scene rendered, their median and 99th-percentile wall
// time, the CPU time of the rendering thread per frame, and what the frames asked of the GL driver:
// draw calls and kilobytes of vertex data a frame, on average.
class FrameStatistics {
public:
    void add(const std::string& scene, double wallSeconds, double cpuSeconds, std::uint64_t draws = 0,
             std::uint64_t vertexBytes = 0);
    std::size_t frameCount() const;
    std::size_t frameCount(const std::string& scene) const;
    // One row per scene, in the order the scenes first rendered.
    void print(std::FILE* out) const;

    // The q-quantile (0 … 1) of the values, by the nearest-rank method.
    static double quantile(std::vector<double> values, double q);

private:
    struct Scene {
        std::string name;
        std::vector<double> wall;
        double cpuTotal = 0.0;
        std::uint64_t drawTotal = 0;
        std::uint64_t byteTotal = 0;
    };
    std::vector<Scene> scenes;
    std::size_t current = 0; // the scene of the last frame
};
