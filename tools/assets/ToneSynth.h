#pragma once

#include "tools/assets/AudioClip.h"
#include "tools/assets/TonePatch.h"

#include <cstdint>

// Plays notes of one instrument: band-limited saw and square waves in detuned unison through a
// resonant low-pass whose cutoff follows its own envelope, a sine under them, and a volume envelope.
class ToneSynth {
public:
    explicit ToneSynth(const TonePatch& patch);

    // Renders one note, or a chord of up to four notes through one filter, into `note` (resized to the
    // gate plus the release; mono when the patch has no stereo width) and returns its length in
    // frames. `brightness` scales the filter from dark (0) to the patch's full cutoff (1); the seed
    // sets the start phases of the unison copies.
    std::size_t render(AudioClip& note, const float* frequencies, int count, long gateFrames, float brightness,
                       std::uint32_t seed) const;

private:
    TonePatch patch_;
};
