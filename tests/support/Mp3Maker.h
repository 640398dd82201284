#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes the MP3 files the tests play, with the soundtrack's own encoder: a gapless decoder gives back
// exactly the samples that went in, from the first one.
class Mp3Maker {
public:
    static constexpr int kRate = 44100;

    // Interleaved stereo samples of a cosine sweeping from startHz to endHz (a tone when both are
    // equal). It is loud from its first sample, so where the music starts is easy to find; the
    // right channel is the left one inverted, so swapped or mixed channels show.
    static std::vector<std::int16_t> sweep(double seconds, double startHz, double endHz,
                                           double amplitude = 0.5);

    // A PCM WAV file of interleaved stereo samples: sound, but no MP3.
    static std::vector<std::uint8_t> wav(const std::vector<std::int16_t>& samples);

    // Encodes interleaved stereo samples into `path`; false, with the reason in `error`, on failure.
    static bool write(const std::string& path, const std::vector<std::int16_t>& samples,
                      std::string* error = nullptr);
};
