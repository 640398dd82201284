#include "tools/assets/NotePlayer.h"

#include "effects/sync/Beat.h"
#include "tools/assets/SampleRate.h"

#include <algorithm>
#include <cmath>

namespace {

float midiFrequency(int note) { return 440.0f * std::pow(2.0f, static_cast<float>(note - 69) / 12.0f); }

} // namespace

NotePlayer::NotePlayer(Mixer& mixer, const TonePatch& patch, float legato, int brightnessSteps, std::uint32_t part)
    : mixer_(mixer), synth_(patch), legato_(legato), brightnessSteps_(std::max(1, brightnessSteps)), part_(part)
{
}

int NotePlayer::brightnessStep(float brightness) const
{
    return static_cast<int>(std::lround(std::clamp(brightness, 0.0f, 1.0f) * static_cast<float>(brightnessSteps_)));
}

int NotePlayer::clipFor(const Key& key, int pitchCount)
{
    const auto found = clips_.find(key);
    if (found != clips_.end()) {
        return found->second;
    }
    const int sixteenths = key[3];
    const float brightness = static_cast<float>(key[4]) / static_cast<float>(brightnessSteps_);
    const long gate = std::lround(sixteenths * 0.25 * kBeatLength * kSampleRate * legato_);
    float frequencies[3];
    for (int p = 0; p < pitchCount; ++p) {
        frequencies[p] = midiFrequency(key[static_cast<std::size_t>(p)]);
    }
    AudioClip sum;
    synth_.render(sum, frequencies, pitchCount, gate, brightness, static_cast<std::uint32_t>(key[0]) * 7919u + part_);
    const int clip = mixer_.addClip(std::move(sum));
    clips_.emplace(key, clip);
    return clip;
}

void NotePlayer::play(long start, int sixteenths, int pitch, float gain, float brightness, float echo, float room,
                      Mixer::Bus bus)
{
    const int clip = clipFor({pitch, -1, -1, sixteenths, brightnessStep(brightness)}, 1);
    mixer_.play(clip, start, bus, gain, 0.0f, echo, room);
}

void NotePlayer::playChord(long start, int sixteenths, const int (&pitches)[3], float gain, float brightness,
                           float echo, float room, Mixer::Bus bus)
{
    const int clip = clipFor({pitches[0], pitches[1], pitches[2], sixteenths, brightnessStep(brightness)}, 3);
    mixer_.play(clip, start, bus, gain, 0.0f, echo, room);
}
