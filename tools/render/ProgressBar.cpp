#include "tools/render/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;
constexpr double kRedrawSeconds = 0.2;
} // namespace

ProgressBar::ProgressBar(long totalFrames, bool enabled)
    : totalFrames(std::max(1L, totalFrames)), enabled(enabled && isatty(STDERR_FILENO)), started(Clock::now()),
      lastDrawn(started)
{
}

std::string ProgressBar::line(long framesDone, long totalFrames, const std::string& scene, double framesPerSecond)
{
    const double fraction = std::clamp(static_cast<double>(framesDone) / std::max(1L, totalFrames), 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    const long left = framesPerSecond > 0.0 ? static_cast<long>((totalFrames - framesDone) / framesPerSecond) : 0;
    char text[160];
    std::snprintf(text, sizeof text, "[%s] %ld/%ld  %-20s %6.1f fps  %ld:%02ld left", bar.c_str(), framesDone,
                  totalFrames, scene.c_str(), framesPerSecond, std::max(0L, left) / 60, std::max(0L, left) % 60);
    return text;
}

void ProgressBar::update(long framesDone, const std::string& scene)
{
    if (!enabled) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (drawn && std::chrono::duration<double>(now - lastDrawn).count() < kRedrawSeconds) {
        return;
    }
    const double elapsed = std::chrono::duration<double>(now - started).count();
    const double framesPerSecond = elapsed > 0.0 ? framesDone / elapsed : 0.0;
    std::fprintf(stderr, "\r%s\033[K", line(framesDone, totalFrames, scene, framesPerSecond).c_str());
    std::fflush(stderr);
    lastDrawn = now;
    drawn = true;
}

void ProgressBar::finish()
{
    if (enabled && drawn) {
        std::fprintf(stderr, "\n");
    }
}
