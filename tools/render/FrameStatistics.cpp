#include "tools/render/FrameStatistics.h"

#include <algorithm>
#include <cmath>

void FrameStatistics::add(const std::string& scene, double wallSeconds, double cpuSeconds, std::uint64_t draws,
                          std::uint64_t vertexBytes)
{
    if (current >= scenes.size() || scenes[current].name != scene) {
        const auto found = std::find_if(scenes.begin(), scenes.end(), [&](const Scene& s) { return s.name == scene; });
        if (found == scenes.end()) {
            scenes.push_back({scene, {}, 0.0, 0, 0});
            current = scenes.size() - 1;
        } else {
            current = static_cast<std::size_t>(found - scenes.begin());
        }
    }
    scenes[current].wall.push_back(wallSeconds);
    scenes[current].cpuTotal += cpuSeconds;
    scenes[current].drawTotal += draws;
    scenes[current].byteTotal += vertexBytes;
}

std::size_t FrameStatistics::frameCount() const
{
    std::size_t count = 0;
    for (const Scene& scene : scenes) {
        count += scene.wall.size();
    }
    return count;
}

std::size_t FrameStatistics::frameCount(const std::string& name) const
{
    for (const Scene& scene : scenes) {
        if (scene.name == name) {
            return scene.wall.size();
        }
    }
    return 0;
}

double FrameStatistics::quantile(std::vector<double> values, double q)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

void FrameStatistics::print(std::FILE* out) const
{
    std::fprintf(out, "%-22s %8s %12s %12s %14s %12s %12s\n", "scene", "frames", "median ms", "p99 ms",
                 "cpu ms/frame", "draws/frame", "KB/frame");
    for (const Scene& scene : scenes) {
        const double frames = std::max<double>(1.0, static_cast<double>(scene.wall.size()));
        std::fprintf(out, "%-22s %8zu %12.2f %12.2f %14.2f %12.1f %12.1f\n", scene.name.c_str(), scene.wall.size(),
                     quantile(scene.wall, 0.5) * 1000.0, quantile(scene.wall, 0.99) * 1000.0,
                     scene.cpuTotal / frames * 1000.0, static_cast<double>(scene.drawTotal) / frames,
                     static_cast<double>(scene.byteTotal) / frames / 1024.0);
    }
}
