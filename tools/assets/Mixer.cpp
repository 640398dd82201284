#include "tools/assets/Mixer.h"

#include "tools/assets/PeakLimiter.h"
#include "tools/assets/PingPongEcho.h"
#include "tools/assets/RoomReverb.h"
#include "tools/assets/SampleRate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr std::size_t kBlock = 4096;
// The shape of the dip under a kick: a quick fall, then back up over about a beat.
constexpr double kDuckFall = 0.004;
constexpr double kDuckRecovery = 0.12;
constexpr double kDuckLength = 0.7;
constexpr float kPi = 3.14159265f;

} // namespace

// The block buffers, one per bus or send, reused for every block.
struct Mixer::Block {
    std::array<float, kBlock> drumsLeft;
    std::array<float, kBlock> drumsRight;
    std::array<float, kBlock> musicLeft;
    std::array<float, kBlock> musicRight;
    std::array<float, kBlock> echo;
    std::array<float, kBlock> room;

    void clear()
    {
        for (auto* buffer : {&drumsLeft, &drumsRight, &musicLeft, &musicRight, &echo, &room}) {
            buffer->fill(0.0f);
        }
    }
};

int Mixer::addClip(AudioClip clip)
{
    clips_.push_back(std::move(clip));
    return static_cast<int>(clips_.size() - 1);
}

void Mixer::play(int clip, long start, Bus bus, float gain, float pan, float echo, float room)
{
    float leftGain = gain;
    float rightGain = gain;
    if (clips_[static_cast<std::size_t>(clip)].isMono()) {
        // Constant power: a centred sound is 3 dB down in each channel.
        const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * kPi;
        leftGain = gain * std::cos(angle);
        rightGain = gain * std::sin(angle);
    }
    plays_.push_back({start, clip, bus, leftGain, rightGain, echo, room});
}

void Mixer::duck(long frame, float depth) { ducks_.push_back({frame, depth}); }

void Mixer::mixInto(Block& block, long first, long end, const Play& play, const AudioClip& clip)
{
    const long from = std::max(first, play.start);
    const long to = std::min(end, play.start + static_cast<long>(clip.frames()));
    const float* left = clip.left().data() + (from - play.start);
    const float* right = clip.isMono() ? left : clip.right().data() + (from - play.start);
    float* busLeft = play.bus == Bus::Drums ? block.drumsLeft.data() : block.musicLeft.data();
    float* busRight = play.bus == Bus::Drums ? block.drumsRight.data() : block.musicRight.data();
    const long offset = from - first;
    const long length = to - from;
    for (long i = 0; i < length; ++i) {
        busLeft[offset + i] += play.leftGain * left[i];
        busRight[offset + i] += play.rightGain * right[i];
    }
    // The sends take the clip in mono, at the level it has in the mix.
    const std::pair<float*, float> sends[] = {{block.echo.data(), play.echo}, {block.room.data(), play.room}};
    for (const auto& [send, level] : sends) {
        if (level > 0.0f) {
            const float fromLeft = 0.5f * level * play.leftGain;
            const float fromRight = 0.5f * level * play.rightGain;
            for (long i = 0; i < length; ++i) {
                send[offset + i] += fromLeft * left[i] + fromRight * right[i];
            }
        }
    }
}

std::vector<std::int16_t> Mixer::render(std::size_t frames, const Master& master) const
{
    std::vector<Play> plays = plays_;
    std::stable_sort(plays.begin(), plays.end(), [](const Play& a, const Play& b) { return a.start < b.start; });
    std::vector<Duck> ducks = ducks_;
    std::stable_sort(ducks.begin(), ducks.end(), [](const Duck& a, const Duck& b) { return a.frame < b.frame; });
    std::vector<float> duckCurve(static_cast<std::size_t>(std::lround(kDuckLength * kSampleRate)));
    for (std::size_t i = 0; i < duckCurve.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        duckCurve[i] = static_cast<float>(std::min(1.0, t / kDuckFall) * std::exp(-t / kDuckRecovery));
    }

    PingPongEcho echo(master.echoFrames);
    RoomReverb room;
    PeakLimiter limiter(master.ceiling, 0.002f, 0.15f);
    const long latency = limiter.latency();
    const long total = static_cast<long>(frames) + latency;

    std::vector<std::int16_t> pcm(frames * 2);
    auto toPcm = [](float value) {
        // Rounds to nearest in the default rounding mode, which nothing here changes.
        return static_cast<std::int16_t>(std::lrint(std::clamp(value * 32767.0f, -32768.0f, 32767.0f)));
    };

    Block block;
    std::array<float, kBlock> outLeft;
    std::array<float, kBlock> outRight;
    std::vector<const Play*> active;
    std::size_t nextPlay = 0;
    std::size_t nextDuck = 0;
    const Duck* currentDuck = nullptr;
    for (long first = 0; first < total; first += static_cast<long>(kBlock)) {
        const long count = std::min(static_cast<long>(kBlock), total - first);
        const long end = first + count;
        block.clear();

        while (nextPlay < plays.size() && plays[nextPlay].start < end) {
            active.push_back(&plays[nextPlay++]);
        }
        for (const Play* play : active) {
            mixInto(block, first, end, *play, clip(play->clip));
        }
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [this, end](const Play* play) {
                                        return play->start + static_cast<long>(clip(play->clip).frames()) <= end;
                                    }),
                     active.end());

        for (long f = first; f < end; ++f) {
            while (nextDuck < ducks.size() && ducks[nextDuck].frame <= f) {
                currentDuck = &ducks[nextDuck++];
            }
            float duck = 1.0f;
            if (currentDuck != nullptr && f - currentDuck->frame < static_cast<long>(duckCurve.size())) {
                duck = 1.0f - currentDuck->depth * duckCurve[static_cast<std::size_t>(f - currentDuck->frame)];
            }
            const long k = f - first;
            outLeft[k] = block.drumsLeft[k] + duck * block.musicLeft[k];
            outRight[k] = block.drumsRight[k] + duck * block.musicRight[k];
        }
        echo.process(block.echo.data(), outLeft.data(), outRight.data(), static_cast<std::size_t>(count));
        room.process(block.room.data(), outLeft.data(), outRight.data(), static_cast<std::size_t>(count));

        for (long f = first; f < end; ++f) {
            float fade = 0.0f;
            if (f < master.fadeStart) {
                fade = 1.0f;
            } else if (f < master.fadeEnd) {
                const double x = 0.5 * 3.141592653589793 * static_cast<double>(f - master.fadeStart) /
                                 static_cast<double>(master.fadeEnd - master.fadeStart);
                fade = static_cast<float>(std::cos(x) * std::cos(x));
            }
            const long k = f - first;
            outLeft[k] *= master.gain * fade;
            outRight[k] *= master.gain * fade;
        }
        limiter.process(outLeft.data(), outRight.data(), static_cast<std::size_t>(count));
        for (long f = first; f < end; ++f) {
            const long out = f - latency;
            if (out >= 0 && out < static_cast<long>(frames)) {
                pcm[2 * out] = toPcm(outLeft[f - first]);
                pcm[2 * out + 1] = toPcm(outRight[f - first]);
            }
        }
    }
    return pcm;
}
