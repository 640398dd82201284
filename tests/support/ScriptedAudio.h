#pragma once

#include "platform/AudioDevice.h"

#include <string>

// An audio device whose position the test sets, in seconds of music.
class ScriptedAudio : public AudioDevice {
public:
    bool init(int frequency) override
    {
        initFrequency = frequency;
        return true;
    }
    std::uint32_t version() const override { return 0x02040000u; }
    Stream createStream(const char* path) override
    {
        openedPath = path;
        return 7;
    }
    bool seek(Stream, std::int64_t bytes) override
    {
        soughtBytes = bytes;
        return true;
    }
    bool play(Stream stream, bool restart) override
    {
        playedStream = stream;
        ++playCalls;
        restarted = restarted || restart;
        return true;
    }
    void pause(Stream, bool held) override { paused = held; }
    std::int64_t position(Stream) override { return static_cast<std::int64_t>(seconds * kBytesPerSecond); }
    double bytesToSeconds(Stream, std::int64_t bytes) const override { return bytes / kBytesPerSecond; }

    double seconds = 0.0;
    int initFrequency = 0;
    std::string openedPath;
    std::int64_t soughtBytes = -1;
    Stream playedStream = 0;
    int playCalls = 0;
    bool restarted = false;
    bool paused = false;
};
