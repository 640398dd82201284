#include "effects/sync/Beat.h"
#include "effects/sync/ShowAccents.h"
#include "support/Files.h"
#include "support/WorkingDirectory.h"
#include "tools/assets/Mp3Encoder.h"
#include "tools/assets/PeakLimiter.h"
#include "tools/assets/SoundtrackMaker.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Samples = std::vector<std::int16_t>;

constexpr int kRate = 44100;
// -1 dBFS in 16-bit steps.
constexpr int kMinusOneDb = 29204;

long frameAt(double seconds) { return std::lround(seconds * kRate); }
long beatFrame(long beat) { return frameAt((beat + 0.5) * static_cast<double>(kBeatLength)); }
double ms(long frames) { return 1000.0 * static_cast<double>(frames) / kRate; }

struct Decoded {
    long rate = 0;
    int channels = 0;
    Samples samples;
};

// Decodes a whole file the way the demo's player does: libmpg123 with its default gapless handling,
// 16-bit samples.
Decoded decode(const fs::path& path)
{
    Decoded decoded;
    mpg123_init();
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (handle == nullptr) {
        return decoded;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    int encoding = 0;
    if (mpg123_open(handle, path.c_str()) == MPG123_OK &&
        mpg123_getformat(handle, &decoded.rate, &decoded.channels, &encoding) == MPG123_OK) {
        mpg123_format_none(handle);
        mpg123_format(handle, decoded.rate, decoded.channels, MPG123_ENC_SIGNED_16);
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            std::size_t done = 0;
            const int result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
            const auto* first = reinterpret_cast<const std::int16_t*>(buffer.data());
            decoded.samples.insert(decoded.samples.end(), first, first + done / 2);
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
                break;
            }
        }
    }
    mpg123_delete(handle);
    return decoded;
}

int loudest(const Samples& samples, long first, long last)
{
    int peak = 0;
    for (long i = 2 * std::max(0L, first); i < 2 * last && i < static_cast<long>(samples.size()); ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    return peak;
}

// Left plus right.
std::vector<double> mono(const Samples& samples, long first, long last)
{
    std::vector<double> out;
    for (long f = std::max(0L, first); f < last && 2 * f + 1 < static_cast<long>(samples.size()); ++f) {
        out.push_back(static_cast<double>(samples[2 * f]) + samples[2 * f + 1]);
    }
    return out;
}

// A second-order low- or high-pass run forwards and then backwards: no phase shift, so an edge stays
// where it was while the band around it is cut away.
std::vector<double> zeroPhase(std::vector<double> x, double cutoff, bool highPass)
{
    const double w = 2.0 * 3.141592653589793 * cutoff / kRate;
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    const double b0 = (highPass ? (1.0 + c) : (1.0 - c)) / 2.0 / a0;
    const double b1 = (highPass ? -(1.0 + c) : (1.0 - c)) / a0;
    const double a1 = -2.0 * c / a0;
    const double a2 = (1.0 - alpha) / a0;
    for (int pass = 0; pass < 2; ++pass) {
        double z1 = 0.0;
        double z2 = 0.0;
        for (double& v : x) {
            const double y = b0 * v + z1;
            z1 = b1 * v - a1 * y + z2;
            z2 = b0 * v - a2 * y;
            v = y;
        }
        std::reverse(x.begin(), x.end());
    }
    return x;
}

// The mean power over a centred window of 2 * half + 1 frames.
std::vector<double> power(const std::vector<double>& x, long half)
{
    std::vector<double> out(x.size(), 0.0);
    double sum = 0.0;
    const long size = static_cast<long>(x.size());
    for (long i = -half; i < size; ++i) {
        if (i + half < size) {
            sum += x[i + half] * x[i + half];
        }
        if (i - half - 1 >= 0) {
            sum -= x[i - half - 1] * x[i - half - 1];
        }
        if (i >= 0) {
            out[i] = sum / static_cast<double>(2 * half + 1);
        }
    }
    return out;
}

struct Onset {
    long frame;   // -1 when nothing rises
    double rise;  // peak power over the power before
};

// Where a sound starts near `expected`, in a power curve that starts at frame `first`: the first frame
// within `search` of it where the power climbs halfway from its level just before the search window
// to its peak within it. With a centred window a sudden start crosses halfway right at its first frame.
Onset findOnset(const std::vector<double>& level, long first, long expected, long search)
{
    const long from = expected - search - first;
    const long to = expected + search - first;
    double before = 0.0;
    const long quiet = frameAt(0.015);
    for (long i = from - quiet; i < from; ++i) {
        before += level[i];
    }
    before /= static_cast<double>(quiet);
    const double peak = *std::max_element(level.begin() + from, level.begin() + to);
    const double threshold = before + 0.5 * (peak - before);
    for (long i = from; i < to; ++i) {
        if (level[i] >= threshold) {
            return {first + i, peak / std::max(before, 1e-9)};
        }
    }
    return {-1, 0.0};
}

// The tool's file, decoded as the demo plays it: the whole track, gapless, on the beat, every cue
// heard at its time, below the ceiling, silent at the end. One test, as writing the file is the slow part.
TEST(SoundtrackMakerTest, WrittenFilePlaysTheTrackOnTime)
{
    const WorkingDirectory directory("soundtrack");
    std::string error;
    ASSERT_TRUE(SoundtrackMaker().write("Quessaly.mp3", &error)) << error;
    const Decoded file = decode("Quessaly.mp3");
    const Samples& decoded = file.samples;
    const Samples track = SoundtrackMaker().render();
    const Samples plain = SoundtrackMaker(std::vector<Accent>{}).render();
    EXPECT_EQ(file.rate, kRate);
    EXPECT_EQ(file.channels, 2);
    EXPECT_GE(decoded.size() / 2, static_cast<std::size_t>(230 * kRate));
    // Gapless: exactly the frames that went in, from the first one; no encoder delay or padding.
    ASSERT_EQ(decoded.size(), track.size());
    {
        // The decoded music lines up with the rendered one sample for sample: any shift scores lower.
        const long first = frameAt(100.0);
        const long last = frameAt(102.0);
        const std::vector<double> rendered = mono(track, first, last);
        auto score = [&](long lag) {
            const std::vector<double> heard = mono(decoded, first + lag, last + lag);
            double sum = 0.0;
            for (std::size_t i = 0; i < std::min(heard.size(), rendered.size()); ++i) {
                sum += heard[i] * rendered[i];
            }
            return sum;
        };
        const double aligned = score(0);
        for (long lag = -20; lag <= 20; ++lag) {
            if (lag != 0) {
                EXPECT_LT(score(lag), aligned) << "shifted by " << lag << " frames";
            }
        }
    }

    // Without cues the first kick is the first sound of all, on the sample of the first beat.
    const auto firstSound = std::find_if(plain.begin(), plain.end(), [](std::int16_t s) { return s != 0; });
    ASSERT_NE(firstSound, plain.end());
    EXPECT_EQ((firstSound - plain.begin()) / 2, beatFrame(0));
    {
        // In the file the kick shows as a sudden rise of the band below the crash that opens the show;
        // a window of 4 ms spans more than a cycle of the kick's first swing.
        const std::vector<double> low = zeroPhase(mono(decoded, 0, frameAt(0.5)), 1000.0, false);
        const Onset kick = findOnset(power(low, frameAt(0.002)), 0, frameAt(0.5 * kBeatLength), frameAt(0.03));
        ASSERT_GE(kick.frame, 0);
        EXPECT_GT(kick.rise, 10.0);
        EXPECT_NEAR(ms(kick.frame), 500.0 * kBeatLength, 2.0);
    }

    // Ten cues spread over the show, each clear of its neighbours so that its own edge can be told apart.
    const std::vector<Accent> accents = showAccents();
    std::vector<Accent> clear;
    for (const Accent& accent : accents) {
        auto crowds = [&accent](const Accent& other) {
            const float gap = std::fabs(other.time - accent.time);
            return gap > 1e-4f && gap < 0.05f;
        };
        if (accent.time > 0.5f && accent.time < 219.0f && std::none_of(accents.begin(), accents.end(), crowds)) {
            clear.push_back(accent);
        }
    }
    ASSERT_GE(clear.size(), 10u);
    for (int n = 0; n < 10; ++n) {
        const Accent& accent = clear[n * (clear.size() - 1) / 9];
        // What the cue adds: the decoded file less the same music rendered without cues; its bright edge.
        const long expected = frameAt(accent.time);
        const long first = expected - frameAt(0.08);
        const long last = expected + frameAt(0.08);
        const std::vector<double> heard = mono(decoded, first, last);
        const std::vector<double> without = mono(plain, first, last);
        std::vector<double> added(heard.size());
        for (std::size_t i = 0; i < added.size(); ++i) {
            added[i] = heard[i] - without[i];
        }
        const Onset onset = findOnset(power(zeroPhase(added, 4000.0, true), frameAt(0.0005)), first, expected,
                                      frameAt(0.02));
        ASSERT_GE(onset.frame, 0) << "no sound at " << accent.time << " s";
        EXPECT_GT(onset.rise, 3.0) << "cue at " << accent.time << " s";
        EXPECT_NEAR(ms(onset.frame), 1000.0 * accent.time, 5.0) << "cue at " << accent.time << " s";
    }

    // The mix stays below -1 dBFS; the codec may overshoot a little, but never into clipping.
    const long end = static_cast<long>(track.size() / 2);
    EXPECT_LT(loudest(track, 0, end), kMinusOneDb);
    EXPECT_LT(loudest(decoded, 0, end), 32767);
    // The music is there up to the close, and nothing at all from 226 s on, in the mix and in the file.
    EXPECT_GT(loudest(track, frameAt(215.0), frameAt(216.0)), kMinusOneDb / 4);
    EXPECT_EQ(loudest(track, frameAt(SoundtrackMaker::kSilentFrom), end), 0);
    EXPECT_LE(loudest(decoded, frameAt(SoundtrackMaker::kSilentFrom), end), 1);
}

TEST(SoundtrackMakerTest, CuesStartOnTheirOwnSampleTheSameEveryRun)
{
    // A flash between beats in the breakdown, and a hit a hair after a beat in the greetings, far enough
    // apart that the flash has died away.
    const long beat = 525;
    const float offGrid = 147.3217f;
    const float nearBeat = static_cast<float>((beat + 0.5) * kBeatLength + 0.0003);
    const Samples cued = SoundtrackMaker({{offGrid, AccentKind::Flash}, {nearBeat, AccentKind::Hit}}).render();
    const Samples plain = SoundtrackMaker(std::vector<Accent>{}).render();
    ASSERT_EQ(cued.size(), plain.size());
    auto firstChange = [&](double from) {
        for (long f = frameAt(from); 2 * f + 1 < static_cast<long>(cued.size()); ++f) {
            if (cued[2 * f] != plain[2 * f] || cued[2 * f + 1] != plain[2 * f + 1]) {
                return f;
            }
        }
        return -1L;
    };
    EXPECT_EQ(firstChange(offGrid - 0.1), frameAt(offGrid));
    // On the beat the cue lands with the kick, on the very same sample.
    EXPECT_EQ(firstChange(nearBeat - 0.1), beatFrame(beat));

    // Nothing in the render depends on the run: the same cues give the same samples.
    EXPECT_TRUE(SoundtrackMaker(std::vector<Accent>{}).render() == plain);
}

TEST(SoundtrackMakerTest, EncoderGivesTheSameBytesAndReportsFailures)
{
    // Five seconds of a chord with a noisy edge every half second.
    Samples stretch(static_cast<std::size_t>(2 * frameAt(5.0)));
    std::uint32_t noise = 1;
    for (long f = 0; f < frameAt(5.0); ++f) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const double t = static_cast<double>(f) / kRate;
        const double edge = std::exp(-std::fmod(t, 0.5) / 0.02) * (static_cast<double>(noise % 2001) / 1000.0 - 1.0);
        const double chord = std::sin(2 * 3.14159265 * 220.0 * t) + std::sin(2 * 3.14159265 * 277.2 * t);
        stretch[2 * f] = static_cast<std::int16_t>(6000.0 * chord + 8000.0 * edge);
        stretch[2 * f + 1] = static_cast<std::int16_t>(6000.0 * chord - 8000.0 * edge);
    }
    const WorkingDirectory directory("encoder");
    const Mp3Encoder encoder(192, 7);
    std::string error;
    ASSERT_TRUE(encoder.write("a.mp3", stretch, &error)) << error;
    ASSERT_TRUE(encoder.write("b.mp3", stretch, &error)) << error;
    const std::vector<std::uint8_t> a = readFile("a.mp3");
    EXPECT_GT(a.size(), 0u);
    EXPECT_EQ(a, readFile("b.mp3"));
    // The file gives back exactly what went in, in length.
    EXPECT_EQ(decode("a.mp3").samples.size(), stretch.size());

    // A file that cannot be created is reported, not silently skipped.
    EXPECT_FALSE(encoder.write("missing/c.mp3", stretch, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(SoundtrackMakerTest, LimiterHoldsTheCeilingAndLeavesQuietMusicAlone)
{
    // A quiet tone with a burst far above the ceiling in the middle.
    const float ceiling = 0.5f;
    PeakLimiter limiter(ceiling, 0.002f, 0.05f);
    const long latency = limiter.latency();
    const long length = frameAt(1.0);
    std::vector<float> left(static_cast<std::size_t>(length + latency), 0.0f);
    for (long i = 0; i < length; ++i) {
        left[i] = 0.3f * static_cast<float>(std::sin(i * 0.05));
        if (i >= frameAt(0.5) && i < frameAt(0.51)) {
            left[i] *= 6.0f;
        }
    }
    std::vector<float> right = left;
    const std::vector<float> input = left;
    // Fed in uneven blocks, as the mixer feeds it.
    for (std::size_t first = 0; first < left.size(); first += 1000) {
        const std::size_t count = std::min<std::size_t>(1000, left.size() - first);
        limiter.process(left.data() + first, right.data() + first, count);
    }
    float peak = 0.0f;
    for (long i = 0; i < length; ++i) {
        const float out = left[i + latency];
        peak = std::max(peak, std::fabs(out));
        // Well before the burst and after its release the music passes unchanged, on its own sample.
        if (i < frameAt(0.49) || i > frameAt(0.9)) {
            ASSERT_NEAR(out, input[i], 1e-4f) << "frame " << i;
        }
    }
    EXPECT_LE(peak, ceiling * 1.0001f);
    EXPECT_GT(peak, ceiling * 0.9f);
}

} // namespace
