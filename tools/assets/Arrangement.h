#pragma once

#include "effects/sync/Timeline.h"

#include <iterator>

// The score of the soundtrack as data: chords, motifs, and what plays in each section of the show.

// A chord: the bass note and a close three-note voicing, as MIDI note numbers.
struct Chord {
    int bass;
    int notes[3];
};

inline constexpr Chord kChordAm = {33, {57, 60, 64}};
inline constexpr Chord kChordF = {29, {57, 60, 65}};
inline constexpr Chord kChordC = {36, {55, 60, 64}};
inline constexpr Chord kChordG = {31, {55, 59, 62}};
inline constexpr Chord kChordDm = {38, {57, 62, 65}};
inline constexpr Chord kChordE = {28, {56, 59, 64}};

// One chord a bar, four bars round. The lead's motifs are written over the first.
enum Progression { kMinorLoop, kDarkLoop, kCadence };
inline constexpr Chord kProgressions[][4] = {
    {kChordAm, kChordF, kChordC, kChordG},   // i–VI–III–VII
    {kChordAm, kChordDm, kChordF, kChordE},  // i–iv–VI–V
    {kChordG, kChordAm, kChordAm, kChordAm}, // VII–i, held: the close
};

// A note of a four-bar motif: start and length in sixteenths from the motif's start, MIDI pitch.
struct MotifNote {
    int step;
    int length;
    int pitch;
};

inline constexpr MotifNote kLeadCall[] = {
    {0, 3, 76},  {3, 3, 81},  {6, 2, 79},  {8, 3, 76},  {11, 3, 74}, {14, 2, 72},
    {16, 3, 72}, {19, 3, 77}, {22, 2, 76}, {24, 6, 72}, {30, 2, 69},
    {32, 3, 67}, {35, 3, 72}, {38, 2, 76}, {40, 6, 79}, {46, 2, 76},
    {48, 3, 74}, {51, 3, 79}, {54, 2, 71}, {56, 4, 74}, {60, 4, 76},
};
inline constexpr MotifNote kLeadAnswer[] = {
    {0, 6, 81},  {6, 2, 79},  {8, 4, 76},  {12, 4, 72},
    {16, 6, 77}, {22, 2, 76}, {24, 4, 72}, {28, 4, 69},
    {32, 6, 79}, {38, 2, 76}, {40, 4, 72}, {44, 4, 76},
    {48, 6, 74}, {54, 2, 71}, {56, 4, 67}, {60, 4, 71},
};

// Which chord tone the arpeggio plays on each sixteenth; 3 is the root an octave up.
inline constexpr int kArpPattern[16] = {0, 1, 2, 3, 1, 2, 3, 2, 0, 1, 2, 3, 2, 1, 3, 1};

// A sixteenth of a bar on which the bass plays: start, length and the octave it jumps to.
struct BassStep {
    int step;
    int length;
    int octave;
};

inline constexpr BassStep kHeldBass[] = {{0, 16, 0}};
inline constexpr BassStep kOffBeatBass[] = {{2, 2, 0}, {6, 2, 0}, {10, 2, 0}, {14, 2, 0}};
inline constexpr BassStep kRollingBass[] = {{1, 1, 0},  {2, 1, 0},  {3, 1, 12},  {5, 1, 0},
                                            {6, 1, 0},  {7, 1, 12}, {9, 1, 0},   {10, 1, 0},
                                            {11, 1, 12}, {13, 1, 0}, {14, 1, 0}, {15, 1, 12}};
inline constexpr BassStep kOctaveBass[] = {{0, 2, 0}, {2, 2, 12}, {4, 2, 0},  {6, 2, 12},
                                           {8, 2, 0}, {10, 2, 12}, {12, 2, 0}, {14, 2, 12}};

enum class BassStyle { Held, OffBeat, Rolling, Octaves };
enum class LeadStyle { None, Call, Answer, CallAndAnswer };

// Bars are counted from a section's first full bar; a part plays from its "from" bar on.
inline constexpr int kNeverBar = 1000;

struct SectionArrangement {
    Progression progression;
    // The drums. The kick plays on every beat.
    float kick;          // its level
    int snareFrom;       // backbeat snare and clap
    bool halfTime;       // the snare only on the third beat
    int openHatFrom;     // open hats on the off-beats
    int closedHatFrom;   // closed hats on the sixteenths between the beats
    bool fill;           // a snare roll through the second half of the last bar
    // The tonal parts.
    BassStyle bass;
    int bassFrom;
    float pad;           // level of the held chords, 0 for none
    int stabsFrom;       // short chords on the off-beats
    int arpFrom;
    LeadStyle lead;      // only over the minor loop, which the motifs are written for
    int leadFrom;
    int leadShift;       // semitones
    // Their colour.
    float brightStart;   // filter brightness at the start and the end of the section
    float brightEnd;
    float duck;          // how far the tonal parts dip under each kick
};

// One row per timeline entry from the intro on: the intro builds up, the tunnels drive, the
// greetings and the close calm down. Each row: the progression; the drums; the tonal parts; their colour.
inline constexpr SectionArrangement kArrangement[] = {
    // INTRO: the kick alone through the pick-up, then chords; bass and open hats, then closed hats and
    // the arpeggio, then the snare enter four bars apart; a roll into the tunnel.
    {kMinorLoop, 0.8f, 12, false, 4, 8, true,
     BassStyle::OffBeat, 4, 1.0f, kNeverBar, 8, LeadStyle::None, kNeverBar, 0,
     0.1f, 0.75f, 0.35f},
    // MULTICYLINDERTUNNEL: full drums, rolling bass, the lead's call and answer.
    {kMinorLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::Rolling, 0, 0.6f, kNeverBar, kNeverBar, LeadStyle::CallAndAnswer, 0, 0,
     0.85f, 0.95f, 0.55f},
    // PLASMABALLINCUBE: the darker loop, octave bass, off-beat stabs and the arpeggio.
    {kDarkLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::Octaves, 0, 0.5f, 0, 0, LeadStyle::None, kNeverBar, 0,
     0.7f, 0.95f, 0.5f},
    // PLASMATUNNELVELK: driving, the call an octave up over the arpeggio.
    {kMinorLoop, 1.0f, 0, false, 0, 0, false,
     BassStyle::Rolling, 0, 0.5f, kNeverBar, 0, LeadStyle::Call, 0, 12,
     1.0f, 1.0f, 0.55f},
    // PLASMATUNNELQUARN: driving, the answer over stabs.
    {kMinorLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::Rolling, 0, 0.6f, 0, kNeverBar, LeadStyle::Answer, 0, 0,
     1.0f, 1.0f, 0.55f},
    // CYLINDERPLANE: half time, held bass, chords and the arpeggio.
    {kDarkLoop, 0.85f, 0, true, 0, kNeverBar, true,
     BassStyle::Held, 0, 0.9f, kNeverBar, 0, LeadStyle::None, kNeverBar, 0,
     0.5f, 0.8f, 0.4f},
    // RECURSIVEBALL: builds again, the answer enters halfway.
    {kMinorLoop, 1.0f, 0, false, 0, 4, true,
     BassStyle::Octaves, 0, 0.6f, kNeverBar, 0, LeadStyle::Answer, 8, 0,
     0.7f, 1.0f, 0.5f},
    // BUTTERFLYBALL: the breakdown: soft kick, no snare, wide chords, a quiet arpeggio, a roll at the end.
    {kDarkLoop, 0.6f, kNeverBar, false, 0, kNeverBar, true,
     BassStyle::Held, 0, 1.0f, kNeverBar, 4, LeadStyle::None, kNeverBar, 0,
     0.3f, 0.6f, 0.25f},
    // MULTIBALL: back up, the call over the arpeggio.
    {kMinorLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::OffBeat, 0, 0.7f, kNeverBar, 0, LeadStyle::Call, 4, 0,
     0.6f, 1.0f, 0.5f},
    // METABALLTUNNEL: the peak: everything.
    {kMinorLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::Rolling, 0, 0.6f, 8, 0, LeadStyle::CallAndAnswer, 0, 0,
     1.0f, 1.0f, 0.55f},
    // PLASMABALL: the peak on the darker loop.
    {kDarkLoop, 1.0f, 0, false, 0, 0, true,
     BassStyle::Octaves, 0, 0.6f, 0, 0, LeadStyle::None, kNeverBar, 0,
     1.0f, 0.8f, 0.55f},
    // OUTTRO: calm: soft kick, no snare, held bass, chords and the call.
    {kMinorLoop, 0.6f, kNeverBar, false, 0, kNeverBar, false,
     BassStyle::Held, 0, 1.0f, kNeverBar, kNeverBar, LeadStyle::Call, 0, 0,
     0.5f, 0.35f, 0.25f},
    // ENDING: the close on the tonic, darkening under the fade.
    {kCadence, 0.5f, kNeverBar, false, kNeverBar, kNeverBar, false,
     BassStyle::Held, 0, 1.0f, kNeverBar, kNeverBar, LeadStyle::None, kNeverBar, 0,
     0.35f, 0.1f, 0.2f},
};

static_assert(std::size(kArrangement) == kTimelineLength - 1, "one section per timeline entry after the loader");
