#pragma once

#include <chrono>
#include <string>

// A one-line progress display on standard error: frames done, the scene, frames per second, time left.
// Silent when asked to be or when standard error is not a terminal.
class ProgressBar {
public:
    ProgressBar(long totalFrames, bool enabled);
    void update(long framesDone, const std::string& scene);
    void finish();

    // The line shown for a state of the run, without the carriage return.
    static std::string line(long framesDone, long totalFrames, const std::string& scene, double framesPerSecond);

private:
    using Clock = std::chrono::steady_clock;
    long totalFrames;
    bool enabled;
    Clock::time_point started;
    Clock::time_point lastDrawn;
    bool drawn = false;
};
