#include "support/Mp3Maker.h"

#include "tools/assets/Mp3Encoder.h"

#include <cmath>

std::vector<std::int16_t> Mp3Maker::sweep(double seconds, double startHz, double endHz,
                                          double amplitude)
{
    const long frames = std::lround(seconds * kRate);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
    const double pi = std::acos(-1.0);
    // Linear sweep: the phase is the integral of the frequency.
    const double rise = frames > 0 ? (endHz - startHz) / seconds : 0.0;
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double phase = 2.0 * pi * (startHz * t + 0.5 * rise * t * t);
        const auto value = static_cast<std::int16_t>(std::lround(amplitude * 32767.0 * std::cos(phase)));
        samples[2 * i] = value;
        samples[2 * i + 1] = static_cast<std::int16_t>(-value);
    }
    return samples;
}

std::vector<std::uint8_t> Mp3Maker::wav(const std::vector<std::int16_t>& samples)
{
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> bytes;
    const auto text = [&bytes](const char* chars) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(chars[i]));
        }
    };
    const auto number = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    text("RIFF");
    number(36 + dataSize, 4);
    text("WAVE");
    text("fmt ");
    // PCM: its header's size, the format, two channels, the rate, bytes a second and a frame, bits a sample.
    number(16, 4);
    number(1, 2);
    number(2, 2);
    number(kRate, 4);
    number(kRate * 4, 4);
    number(4, 2);
    number(16, 2);
    text("data");
    number(dataSize, 4);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(samples.data());
    bytes.insert(bytes.end(), raw, raw + dataSize);
    return bytes;
}

bool Mp3Maker::write(const std::string& path, const std::vector<std::int16_t>& samples,
                     std::string* error)
{
    std::string reason;
    const bool written = Mp3Encoder(192, 5).write(path, samples, &reason);
    if (!written && error != nullptr) {
        *error = reason;
    }
    return written;
}
