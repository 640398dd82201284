#pragma once

// The settings of one instrument of the tone synthesiser: oscillators, unison, envelope, filter.
struct TonePatch {
    float saw;             // oscillator levels
    float square;
    float sine;            // a pure tone at the note's pitch, unfiltered: the weight of a bass
    int unison;            // detuned copies of each oscillator
    float detuneCents;     // spread between the outermost copies
    float width;           // how far apart the copies are panned, 0 to 1
    float attack;          // seconds
    float decay;           // seconds, towards the sustain level
    float sustain;         // 0 to 1
    float release;         // seconds after the gate closes
    float cutoff;          // low-pass cutoff in Hz at brightness 1
    float cutoffEnvelope;  // Hz added at the start of the note, dying away over filterDecay
    float filterDecay;     // seconds
    float resonance;       // 0 to 1
};
