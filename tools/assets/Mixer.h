#pragma once

#include "tools/assets/AudioClip.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Mixes the track from clips played at given frames, block by block so the working set stays small:
// drums and accents dry, the tonal parts ducked under each kick, sends to a ping-pong echo and a
// room, then the master gain, the fade-out and a peak limiter.
class Mixer {
public:
    enum class Bus {
        Drums, // dry
        Music, // ducked under the kicks
    };

    struct Master {
        long echoFrames;  // delay between the echo's repeats
        float gain;
        long fadeStart;   // the track fades out between these frames and is silent after
        long fadeEnd;
        float ceiling;    // the limiter's ceiling, linear
    };

    // Keeps a clip for playing; returns its number.
    int addClip(AudioClip clip);
    const AudioClip& clip(int number) const { return clips_[static_cast<std::size_t>(number)]; }

    // Plays a clip from frame `start`: mono clips are panned from -1 (left) to 1 (right), stereo clips
    // keep their own image. echo and room: how much goes to each send.
    void play(int clip, long start, Bus bus, float gain, float pan, float echo, float room);
    // The tonal parts dip by `depth` (0 to 1) under a kick at `frame` and come back over a beat.
    void duck(long frame, float depth);

    // The mixed track: `frames` frames of interleaved left/right 16-bit samples.
    std::vector<std::int16_t> render(std::size_t frames, const Master& master) const;

private:
    struct Play {
        long start;
        int clip;
        Bus bus;
        float leftGain;
        float rightGain;
        float echo;
        float room;
    };
    struct Duck {
        long frame;
        float depth;
    };
    struct Block;

    // Adds the part of a play that falls in the block [first, end) to its bus and its sends.
    static void mixInto(Block& block, long first, long end, const Play& play, const AudioClip& clip);

    std::vector<AudioClip> clips_;
    std::vector<Play> plays_;
    std::vector<Duck> ducks_;
};
