#pragma once

#include "platform/AudioDevice.h"
#include "platform/web/WebAudioClock.h"

#include <cstdint>

// The music back end on a web page: the browser decodes the MP3 (decodeAudioData) and plays it through
// WebAudio; the position is what the listener hears, the context's clock less its output latency. Decoding
// runs in the background while the scenes load, and playback waits for it, the position holding at the
// start. Muted, without WebAudio, or without a decodable file, the position runs on the page's clock
// from play; so it does, from where the music was, when the context does not run for three seconds (a
// browser that will not start it, an output that stops), and the page says there is no sound. A tab in
// the background plays on, and the show is where the music is when it comes back. Paused, the audio context
// is suspended and the position holds.
class WebAudioDevice : public AudioDevice {
public:
    explicit WebAudioDevice(bool muted = false) : muted(muted) {}
    ~WebAudioDevice() override;
    WebAudioDevice(const WebAudioDevice&) = delete;
    WebAudioDevice& operator=(const WebAudioDevice&) = delete;

    // Never fails: without WebAudio the stream runs silent.
    bool init(int frequency) override;
    std::uint32_t version() const override { return 0x02040000u; }
    Stream createStream(const char* path) override;
    bool seek(Stream stream, std::int64_t bytes) override;
    bool play(Stream stream, bool restart) override;
    void pause(Stream stream, bool paused) override;
    std::int64_t position(Stream stream) override;
    double bytesToSeconds(Stream stream, std::int64_t bytes) const override;

private:
    bool muted;
    bool started = false;
    bool onPageClock = false;
    bool paused = false;
    WebAudioClock clock;
};
