#include "support/Mp3Maker.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

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

bool Mp3Maker::write(const std::string& path, const std::vector<std::int16_t>& samples,
                     std::string* error)
{
    auto fail = [error](const std::string& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };

    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) {
        return fail("lame_init failed");
    }
    lame_set_in_samplerate(lame.get(), kRate);
    lame_set_out_samplerate(lame.get(), kRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_brate(lame.get(), 192);
    lame_set_quality(lame.get(), 5);
    // The info tag carries the encoder delay and padding that gapless decoding removes; an ID3
    // tag in front of it would move the frame that has to be rewritten at the end.
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) {
        return fail("lame_init_params failed");
    }

    const int frames = static_cast<int>(samples.size() / 2);
    std::vector<unsigned char> mp3(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 16384);
    int size = 0;
    if (frames > 0) {
        // LAME takes a non-const pointer but does not write through it.
        size = lame_encode_buffer_interleaved(lame.get(), const_cast<short*>(samples.data()), frames,
                                              mp3.data(), static_cast<int>(mp3.size()));
        if (size < 0) {
            return fail("lame_encode_buffer_interleaved failed: " + std::to_string(size));
        }
    }
    const int tail = lame_encode_flush(lame.get(), mp3.data() + size, static_cast<int>(mp3.size()) - size);
    if (tail < 0) {
        return fail("lame_encode_flush failed: " + std::to_string(tail));
    }
    mp3.resize(static_cast<std::size_t>(size + tail));

    // LAME left an empty first frame for the tag, which is only complete once everything is encoded.
    unsigned char tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size()) {
        return fail("no LAME info tag");
    }
    std::copy(tag, tag + tagSize, mp3.begin());

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        return fail("cannot create " + path);
    }
    if (std::fwrite(mp3.data(), 1, mp3.size(), file.get()) != mp3.size()) {
        return fail("cannot write " + path);
    }
    return true;
}
