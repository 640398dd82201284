#include "platform/web/WebAudioDevice.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <emscripten/emscripten.h>

namespace {

constexpr AudioDevice::Stream kStream = 1;

// The music's state lives in Module.music: the context, the decoded buffer once there is one, and where
// playback started. Its start() begins playback once it is both wanted and decoded, whichever comes last,
// and not while paused; its goSilent() stops the sound and hands the show to the page's clock.
EM_JS(void, musicInit, (int muted), {
    // Only Gecko's browsers carry "Gecko/" in their name; the others say "like Gecko".
    const music = Module.music = {silent: !!muted, asksOutput: !navigator.userAgent.includes("Gecko/")};
    music.start = function() {
        if (!music.wanted || music.started || music.paused) return;
        if (music.silent || music.failed) {
            music.started = true;
            music.silentSince = performance.now();
            return;
        }
        if (!music.buffer) return; // still decoding
        const source = music.context.createBufferSource();
        source.buffer = music.buffer;
        source.connect(music.context.destination);
        if (music.context.state === "suspended") music.context.resume();
        source.start(0, Math.min(music.offset, music.buffer.duration));
        music.source = source;
        music.started = true;
        music.startedAt = music.context.currentTime;
        music.lastTime = music.startedAt;
        music.movedAt = performance.now();
    };
    music.goSilent = function(why) {
        console.warn("Quessaly: " + why + ": the show plays on without sound");
        if (Module.showNotice) Module.showNotice("No sound: " + why + ".");
        music.source.stop();
        music.silentSince = performance.now();
    };
    if (music.silent) return;
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) {
        console.error("Quessaly: this browser has no WebAudio: the show runs silent");
        music.silent = true;
        return;
    }
    // The page may have made the context in its start click, where browsers let it start.
    music.context = Module.audioContext || new Context({latencyHint: "playback"});
});

EM_JS(void, musicDecode, (const unsigned char* bytes, int length), {
    const music = Module.music;
    if (music.silent) return;
    const data = HEAPU8.slice(bytes, bytes + length).buffer;
    music.context.decodeAudioData(data).then(function(buffer) {
        music.buffer = buffer;
        music.start();
    }, function(error) {
        console.error("Quessaly: the browser cannot decode the soundtrack (" + error + "): the show runs silent");
        music.failed = true;
        music.start();
    });
});

// Pausing suspends the context itself, so its clock and what is heard stop together, and resuming resumes it.
// The paused span counts for nothing on the page's clock, nor against a context that does not move.
EM_JS(void, musicPause, (int paused), {
    const music = Module.music;
    if (!music || music.paused === !!paused) return;
    music.paused = !!paused;
    const now = performance.now();
    if (paused) {
        music.pausedAt = now;
    } else {
        const span = now - music.pausedAt;
        if (music.silentSince !== undefined) music.silentSince += span;
        if (music.movedAt !== undefined) music.movedAt += span;
    }
    if (music.context && music.silentSince === undefined) {
        if (paused) music.context.suspend();
        else music.context.resume();
    }
    if (!paused) music.start();
});

EM_JS(void, musicMissing, (), {
    Module.music.failed = true;
});

EM_JS(void, musicPlay, (double offset), {
    const music = Module.music;
    music.wanted = true;
    music.offset = offset;
    music.start();
});

// Fills the eight numbers of an AudioContextReading, in order, and answers 1; 0 before playback starts;
// 2 once the show runs on the page's clock (muted, without sound, or the context never ran), read as a
// context without latency.
EM_JS(int, musicRead, (double* out), {
    const music = Module.music;
    if (!music || !music.started) return 0;
    const now = performance.now();
    const at = out >> 3;
    const context = music.context;
    if (music.silentSince === undefined) {
        // A context the browser does not start, or that stops, must not hold the show.
        if (context.currentTime !== music.lastTime) {
            music.lastTime = context.currentTime;
            music.movedAt = now;
        } else if (now - music.movedAt > 3000) {
            music.goSilent(context.state === "running" ? "the browser's audio stopped" : "the browser did not start the audio");
        }
    }
    if (music.silentSince !== undefined) {
        HEAPF64.fill(0, at, at + 8);
        HEAPF64[at] = now / 1000;
        HEAPF64[at + 3] = music.silentSince / 1000;
        HEAPF64[at + 7] = now;
        return 2;
    }
    // The output's latency and timestamp are asked once the music has played two seconds, then once a second.
    // Never of Gecko (Firefox and its kin): it answers both through its sound server, under a lock its audio
    // thread holds while the output starts, and its clock may run for seconds before the output has started.
    // Asked then, on a busy machine, the call never returns and the page stops for good. What it would say is
    // its context time less a few milliseconds, which the show does without.
    if (music.asksOutput && context.currentTime - music.startedAt > 2 && !(now - music.hintsAt < 1000)) {
        music.hintsAt = now;
        music.outputLatency = context.outputLatency || 0;
        music.stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : {};
    }
    const stamp = music.stamp || {};
    // Written one by one: an array literal would be garbage for the collector at every frame.
    HEAPF64[at] = context.currentTime;
    HEAPF64[at + 1] = context.baseLatency || 0;
    HEAPF64[at + 2] = music.outputLatency || 0;
    HEAPF64[at + 3] = music.startedAt;
    HEAPF64[at + 4] = context.state === "running" ? 1 : 0;
    HEAPF64[at + 5] = stamp.contextTime || 0;
    HEAPF64[at + 6] = stamp.performanceTime || 0;
    HEAPF64[at + 7] = now;
    return 1;
});

EM_JS(void, musicStop, (), {
    const music = Module.music;
    if (!music) return;
    if (music.source) music.source.stop();
    Module.music = {};
});

} // namespace

WebAudioDevice::~WebAudioDevice() { musicStop(); }

bool WebAudioDevice::init(int)
{
    musicInit(muted ? 1 : 0);
    return true;
}

AudioDevice::Stream WebAudioDevice::createStream(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        if (!muted) {
            std::fprintf(stderr, "Quessaly: cannot read the soundtrack %s: the show runs silent\n", path);
        }
        musicMissing();
    } else {
        musicDecode(bytes.data(), static_cast<int>(bytes.size()));
    }
    return kStream;
}

bool WebAudioDevice::seek(Stream stream, std::int64_t bytes)
{
    if (stream != kStream || started) {
        return false;
    }
    clock.startAt(bytes);
    return true;
}

bool WebAudioDevice::play(Stream stream, bool restart)
{
    if (stream != kStream) {
        return false;
    }
    if (started && !restart) {
        return true;
    }
    started = true;
    musicPlay(static_cast<double>(clock.position()) / kBytesPerSecond);
    return true;
}

void WebAudioDevice::pause(Stream stream, bool held)
{
    if (stream != kStream || !started || held == paused) {
        return;
    }
    if (held) {
        position(stream); // the last reading: what the position holds at
    }
    paused = held;
    musicPause(held ? 1 : 0);
}

std::int64_t WebAudioDevice::position(Stream stream)
{
    if (paused) {
        return clock.position();
    }
    double numbers[8] = {};
    const int kind = stream == kStream && started ? musicRead(numbers) : 0;
    if (kind == 0) {
        return clock.position();
    }
    if (kind == 2 && !onPageClock) {
        // The page's clock takes over from wherever the music was last heard.
        onPageClock = true;
        clock.startAt(clock.position());
    }
    AudioContextReading reading;
    reading.currentTime = numbers[0];
    reading.baseLatency = numbers[1];
    reading.outputLatency = numbers[2];
    reading.startedAt = numbers[3];
    reading.running = numbers[4] != 0.0;
    reading.stampContextTime = numbers[5];
    reading.stampPerformanceTime = numbers[6];
    reading.now = numbers[7];
    return clock.advance(reading);
}

double WebAudioDevice::bytesToSeconds(Stream, std::int64_t bytes) const { return bytes / kBytesPerSecond; }
