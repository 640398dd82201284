#pragma once

#include "platform/AudioDevice.h"

// The process-wide holder of the soundtrack's stream and the audio device that plays it.
class MusicStream {
public:
    static MusicStream& instance();

    // Seconds of music played, as the listener hears them; null device or stream reads as 0.
    double seconds();
    // Holds the music and its position, or goes on from there; nothing without a device or stream.
    void pause(bool paused);

    AudioDevice* device = nullptr; // not owned; installed by the entry function
    AudioDevice::Stream stream = 0;

private:
    MusicStream() = default;
};
