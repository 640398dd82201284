#pragma once

#include "platform/AudioDevice.h"

// The clock of a run that shows every frame (the render tool, the page's test mode): no sound, and after
// playback starts, frame n of the show plays at n / fps.
class FixedClock : public AudioDevice {
public:
    // Where a run's next frame falls: `timed` once playback has started (the frames before are the loader's),
    // `pastEnd` after the run's end, `seen` from its start on.
    struct Step {
        bool timed = false;
        bool pastEnd = false;
        bool seen = false;
        double time = 0.0;
    };

    explicit FixedClock(int fps);

    bool init(int frequency) override;
    std::uint32_t version() const override;
    Stream createStream(const char* path) override;
    bool play(Stream stream, bool restart) override;
    void pause(Stream stream, bool paused) override;
    std::int64_t position(Stream stream) override;
    double bytesToSeconds(Stream stream, std::int64_t bytes) const override;

    // Moves the clock to the run's next frame, unless that falls after `end` (negative: no end). A frame at
    // `start` or `end` counts as inside, whatever rounding did to n / fps. Paused, the last step again.
    Step step(double start, double end);
    // Frames the run has moved through since playback started.
    std::int64_t framesStepped() const { return stepped; }

private:
    int fps;
    bool started = false;
    std::int64_t currentFrame = 0;
    std::int64_t stepped = 0;
    bool held = false;
    Step last;
};
