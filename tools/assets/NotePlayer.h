#pragma once

#include "tools/assets/Mixer.h"
#include "tools/assets/TonePatch.h"
#include "tools/assets/ToneSynth.h"

#include <array>
#include <cstdint>
#include <map>

// Plays the notes and chords of one instrument into the mixer. Each distinct note (pitches, length,
// brightness step) is rendered once and then replayed: the track repeats its notes many times over,
// and this keeps the whole render fast.
class NotePlayer {
public:
    // legato: the part of a note's length for which its gate stays open. brightnessSteps: how many
    // steps the filter brightness moves in between dark and full; fewer steps, fewer notes to render.
    // part: tells the instruments' random start phases apart.
    NotePlayer(Mixer& mixer, const TonePatch& patch, float legato, int brightnessSteps, std::uint32_t part);

    // Plays one note `sixteenths` long from frame `start`; echo and room: how much goes to each send.
    void play(long start, int sixteenths, int pitch, float gain, float brightness, float echo, float room,
              Mixer::Bus bus = Mixer::Bus::Music);
    // Plays the three notes of a chord together.
    void playChord(long start, int sixteenths, const int (&pitches)[3], float gain, float brightness, float echo,
                   float room, Mixer::Bus bus = Mixer::Bus::Music);

private:
    using Key = std::array<int, 5>; // up to three pitches, the length, the brightness step

    int brightnessStep(float brightness) const;
    int clipFor(const Key& key, int pitchCount);

    Mixer& mixer_;
    ToneSynth synth_;
    float legato_;
    int brightnessSteps_;
    std::uint32_t part_;
    std::map<Key, int> clips_;
};
