#pragma once

#include "platform/AudioDevice.h"

#include <cstdint>

// What a WebAudio context says about its playback at one moment, as read from the page.
struct AudioContextReading {
    double currentTime = 0.0;   // the context's clock, in seconds: what it has handed to the output
    double baseLatency = 0.0;   // seconds the context itself holds back
    double outputLatency = 0.0; // seconds from the context's hands to the listener's ears
    double startedAt = 0.0;     // the context time playback started at
    bool running = false;       // the context plays; its output timestamp means something only then
    double stampContextTime = 0.0;     // getOutputTimestamp(): the context time the listener hears...
    double stampPerformanceTime = 0.0; // ...at this page time, in milliseconds
    double now = 0.0;                  // the page's clock (performance.now) when read, in milliseconds
};

// The music's position as the listener hears it, from readings of the context. The output timestamp,
// carried forward on the page's clock, is the closest account; without one, the context's clock less its
// latencies. Neither runs ahead of what the context has played, and the position never moves back: where the
// listener falls behind it (a latency told late), it goes on at half the page's pace until they meet.
// Browsers' latencies and timestamps are hints: a latency outside what any output holds back counts as
// none, and a timestamp is used only while it agrees with the context's clock and the page's.
class WebAudioClock {
public:
    // Seconds heard since playback started; 0 until the first sound reaches the listener.
    static double heardSeconds(const AudioContextReading& reading);
    // The context's own latencies where they are believable, else 0.
    static double latency(const AudioContextReading& reading);
    // Whether the output timestamp may be carried forward: it is recent, not from the page's future, and
    // close to where the context's clock less its latency says the listener is.
    static bool stampAgrees(const AudioContextReading& reading);

    // Playback starts `bytes` into the music (whole sample frames).
    void startAt(std::int64_t bytes);
    // The position after `reading`: the start plus what was heard, never less than the last one given.
    std::int64_t advance(const AudioContextReading& reading);
    std::int64_t position() const { return lastPosition; }

private:
    std::int64_t startBytes = 0;
    std::int64_t lastPosition = 0;
    double lastReadingAt = 0.0; // the page's clock at the last reading, in milliseconds
};
