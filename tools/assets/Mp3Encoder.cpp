#include "tools/assets/Mp3Encoder.h"

#include "tools/assets/SampleRate.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

Mp3Encoder::Mp3Encoder(int bitrate, int quality) : bitrate_(bitrate), quality_(quality) {}

bool Mp3Encoder::write(const std::string& path, const std::vector<std::int16_t>& samples,
                       std::string* error) const
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
    lame_set_in_samplerate(lame.get(), kSampleRate);
    lame_set_out_samplerate(lame.get(), kSampleRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_brate(lame.get(), bitrate_);
    lame_set_quality(lame.get(), quality_);
    // The info tag must be the first frame: an ID3 tag in front of it would move the frame that is
    // rewritten at the end.
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) {
        return fail("lame_init_params failed");
    }

    const int frames = static_cast<int>(samples.size() / 2);
    // LAME's own worst case: 1.25 bytes a frame plus 7200 bytes, and room for the flush.
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

    // LAME left an empty first frame for the tag, which is complete only once everything is encoded.
    unsigned char tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size()) {
        return fail("no LAME info tag");
    }
    std::copy(tag, tag + tagSize, mp3.begin());

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return fail("cannot create " + path);
    }
    const bool written = std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    // A full disk may only show when the buffered tail is flushed on closing.
    if (std::fclose(file) != 0 || !written) {
        return fail("cannot write " + path);
    }
    return true;
}
