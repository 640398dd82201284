#pragma once

#include <cstdint>

// The music back end the shell needs: one output device, an MP3 file opened as a stream, playback
// started once, and the playback position as the listener hears it. The position is the demo's clock.
class AudioDevice {
public:
    using Stream = std::uint32_t; // 0: no stream
    static constexpr double kBytesPerSecond = 176400.0; // 44100 Hz, stereo, 16-bit samples
    static constexpr std::int64_t kBytesPerFrame = 4;

    virtual ~AudioDevice() = default;

    // Opens the default output device at `frequency` Hz; false when no device opens.
    virtual bool init(int frequency) = 0;
    // Release number with the major and minor release in the high 16 bits (0x0204 for 2.4).
    virtual std::uint32_t version() const = 0;
    // Opens an MP3 file for streaming; playback does not start here.
    virtual Stream createStream(const char* path) = 0;
    // Starts playback; with restart false, a stream that already plays goes on where it is.
    virtual bool play(Stream stream, bool restart) = 0;
    // Moves a stream that has not started to `bytes` into the music: playback starts there and the position
    // counts on from there. A device that cannot seek answers false and plays from the beginning.
    virtual bool seek(Stream /*stream*/, std::int64_t /*bytes*/) { return false; }
    // Holds playback and the position exactly where they are (`paused`), or goes on from there: the position
    // read while paused never moves, and after the resume it counts on from the same value.
    virtual void pause(Stream stream, bool paused) = 0;
    // Bytes of 44100 Hz stereo 16-bit audio played so far: monotonic, never moving backwards.
    virtual std::int64_t position(Stream stream) = 0;
    virtual double bytesToSeconds(Stream stream, std::int64_t bytes) const = 0;
};
