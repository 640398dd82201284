#pragma once

#include "effects/sync/ShowAccents.h"

#include <cstdint>
#include <string>
#include <vector>

// Composes the soundtrack from the show's own cue tables and encodes it as an MP3 file: a 148 bpm
// track whose arrangement changes at every timeline boundary, with an accent on every cue.
class SoundtrackMaker {
public:
    // The track runs on past the show's end, silent from kSilentFrom, so the player never runs dry.
    static constexpr double kLength = 231.0;
    static constexpr double kSilentFrom = 226.0;
    // The loudest sample of the mix, in dB below full scale.
    static constexpr double kCeilingDb = -2.0;

    // Marks every cue of the show.
    SoundtrackMaker();
    // Marks the given cues instead.
    explicit SoundtrackMaker(std::vector<Accent> accents);

    // Interleaved left/right 16-bit samples at 44100 Hz, the same on every run.
    std::vector<std::int16_t> render() const;
    // Writes the MP3 to `path`; false with a reason in `error` when it cannot.
    bool write(const std::string& path, std::string* error) const;

private:
    std::vector<Accent> accents_;
};
