#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes 44100 Hz stereo 16-bit samples as an MP3 file with LAME. The LAME info tag in the first
// frame carries the encoder delay and padding, so a gapless decoder gives back exactly the samples
// that went in, from the first one: the music's clock starts at the first sample.
class Mp3Encoder {
public:
    // Constant bit rate in kbit/s; LAME's quality from 0 (best, slowest) to 9 (fastest).
    Mp3Encoder(int bitrate, int quality);

    // Encodes interleaved left/right samples into `path`; false with the reason in `error` on failure.
    bool write(const std::string& path, const std::vector<std::int16_t>& samples, std::string* error) const;

private:
    int bitrate_;
    int quality_;
};
