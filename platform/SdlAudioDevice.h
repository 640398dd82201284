#pragma once

#include "platform/AudioDevice.h"

#include <chrono>
#include <cstdint>
#include <mutex>

struct mpg123_handle_struct;

// The music back end on an SDL2 output device: libmpg123 decodes the MP3 on SDL's audio thread as
// the device asks for samples (44100 Hz, stereo, 16-bit). Without a device, or without a decodable
// file, the stream is silent and its position runs on the wall clock from play, as it does past
// the end of the music. A device that is lost mid-show hands the position on to the wall clock from
// where it was last heard, and the music comes back in step when a device opens again. Paused, the device
// plays silence and the position holds; resumed, it counts on from there and the music joins it.
class SdlAudioDevice : public AudioDevice {
public:
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();

    // A muted device opens no output: the stream runs silent on the wall clock, without a word about it.
    // `now` is the wall clock; tests script it.
    explicit SdlAudioDevice(bool muted = false, Now now = Clock::now) : muted_(muted), now_(now) {}
    ~SdlAudioDevice() override;
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    bool init(int frequency) override;
    std::uint32_t version() const override;
    Stream createStream(const char* path) override;
    bool seek(Stream stream, std::int64_t bytes) override;
    bool play(Stream stream, bool restart) override;
    void pause(Stream stream, bool paused) override;
    std::int64_t position(Stream stream) override;
    double bytesToSeconds(Stream stream, std::int64_t bytes) const override;

private:
    // What the audio thread last did, as position() needs it.
    struct Progress {
        std::int64_t framesHanded = 0; // music and the silence after it, since play
        Clock::time_point handedAt;    // when the last callback began
        bool started = false;          // at least one callback since play
        bool ended = false;            // the decoder has nothing more
        std::int64_t endFrame = 0;     // frames of music, once ended
    };

    // A device that came back plays silence until it takes samples steadily; then the music joins at
    // the wall clock's position. After a pause it joins at once: the device ran on all the while.
    struct Rejoin {
        bool waiting = false;
        bool atOnce = false;
        int steadyCallbacks = 0;
        Clock::time_point lastCallback;
    };

    static void fillCallback(void* self, std::uint8_t* out, int length);
    void fill(std::uint8_t* out, int length);
    bool openDecoder(const char* path);
    void closeDecoder();
    bool openDevice();
    std::chrono::microseconds bufferDuration() const;
    std::int64_t wallFrames(Clock::time_point now);
    std::int64_t wallFramesAt(Clock::time_point now) const;
    void startWallClock(std::int64_t frames, Clock::time_point from);
    void watchDevice(Clock::time_point now);

    // Guards everything the audio thread touches.
    std::mutex mutex_;
    mpg123_handle_struct* decoder_ = nullptr;
    Progress progress_;
    Rejoin rejoin_;

    bool muted_ = false;
    Now now_;
    bool audioStarted_ = false;
    bool decoderLibrary_ = false;
    std::uint32_t device_ = 0; // 0: no output device
    std::int64_t bufferFrames_ = 0;
    bool deviceLost_ = false;
    Clock::time_point nextReopen_;

    Stream stream_ = 0;
    Stream nextStream_ = 1;
    bool playing_ = false;
    bool onWallClock_ = false;
    bool rejoining_ = false; // on the wall clock until the audio thread joins the music again
    bool paused_ = false;
    std::int64_t heldFrames_ = 0; // the position while paused
    // The wall clock, read by the audio thread while it rejoins.
    Clock::time_point wallStart_;
    std::int64_t wallStartFrames_ = 0;
    Clock::time_point wallRead_;
    std::int64_t startFrames_ = 0; // where play begins in the music
    std::int64_t lastFrames_ = 0; // the guard that keeps the position from moving backwards
};
