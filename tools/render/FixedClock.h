#pragma once

#include "platform/AudioDevice.h"

// The render tool's clock: no sound, and after playback starts, frame n of the show plays at n / fps.
class FixedClock : public AudioDevice {
public:
    explicit FixedClock(int fps);

    bool init(int frequency) override;
    std::uint32_t version() const override;
    Stream createStream(const char* path) override;
    bool play(Stream stream, bool restart) override;
    std::int64_t position(Stream stream) override;
    double bytesToSeconds(Stream stream, std::int64_t bytes) const override;

    bool playing() const { return started; }
    // Moves the clock to show frame `frame` (counted from the start of playback).
    void setFrame(std::int64_t frame) { currentFrame = frame; }
    double secondsAt(std::int64_t frame) const;

private:
    int fps;
    bool started = false;
    std::int64_t currentFrame = 0;
};
