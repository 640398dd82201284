#include "tools/assets/SoundtrackMaker.h"

#include "effects/sync/Beat.h"
#include "tools/assets/Arrangement.h"
#include "tools/assets/DrumSynth.h"
#include "tools/assets/Mixer.h"
#include "tools/assets/Mp3Encoder.h"
#include "tools/assets/NotePlayer.h"
#include "tools/assets/SampleRate.h"
#include "tools/assets/Score.h"
#include "tools/assets/TonePatch.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <utility>

namespace {

// The instruments.
//                                  saw   square sine  uni  detune width attack  decay  sus   release
//                                  cutoff   envelope filterDecay resonance
constexpr TonePatch kBassPatch = {0.7f, 0.3f, 0.6f, 1, 0.0f, 0.0f, 0.002f, 0.18f, 0.55f, 0.05f,
                                  500.0f, 1600.0f, 0.07f, 0.35f};
constexpr TonePatch kPadPatch = {1.0f, 0.0f, 0.0f, 4, 22.0f, 0.9f, 0.25f, 1.0f, 0.8f, 0.35f,
                                 2600.0f, 600.0f, 0.6f, 0.15f};
constexpr TonePatch kStabPatch = {1.0f, 0.2f, 0.0f, 3, 14.0f, 0.7f, 0.001f, 0.14f, 0.0f, 0.06f,
                                  2400.0f, 4500.0f, 0.07f, 0.3f};
constexpr TonePatch kArpPatch = {0.4f, 0.6f, 0.0f, 1, 0.0f, 0.0f, 0.001f, 0.09f, 0.15f, 0.04f,
                                 2200.0f, 3500.0f, 0.05f, 0.45f};
constexpr TonePatch kLeadPatch = {0.8f, 0.35f, 0.0f, 3, 12.0f, 0.35f, 0.004f, 0.25f, 0.7f, 0.09f,
                                  3200.0f, 2500.0f, 0.15f, 0.25f};
// The stab of a hit accent: bright and at full level from its first sample.
constexpr TonePatch kHitPatch = {1.0f, 0.3f, 0.3f, 4, 18.0f, 0.8f, 0.0f, 0.2f, 0.0f, 0.08f,
                                 5000.0f, 7000.0f, 0.09f, 0.2f};

// Levels.
constexpr float kKickLevel = 0.95f;
constexpr float kSnareLevel = 0.5f;
constexpr float kClapLevel = 0.3f;
constexpr float kClosedHatLevel = 0.14f;
constexpr float kOpenHatLevel = 0.2f;
constexpr float kBassLevel = 0.6f;
constexpr float kPadLevel = 0.2f;
constexpr float kStabLevel = 0.16f;
constexpr float kArpLevel = 0.15f;
constexpr float kLeadLevel = 0.2f;
constexpr float kCrashLevel = 0.55f;
constexpr float kImpactLevel = 0.6f;
constexpr float kRiserLevel = 0.25f;
constexpr float kSnapLevel = 0.5f;
constexpr float kHitLevel = 0.3f;
constexpr float kMasterGain = 0.42f;

// The close fades out before the show quits, which leaves silence from kSilentFrom on.
constexpr double kFadeStart = 220.5;
constexpr double kFadeEnd = 225.5;
// A cue this close to a beat is taken to be on it, so it lands on the kick's very sample.
constexpr double kOnBeat = 0.001;
constexpr double kRiserBeats = 4.0;
constexpr int kBitrate = 192;
// Fast enough for an encode of a few seconds, still with the psychoacoustic model against pre-echo.
constexpr int kEncoderQuality = 7;

// Beat n sounds at (n + 0.5) beat lengths; fractional beats address the sixteenths between.
double beatSeconds(double beat) { return (beat + 0.5) * static_cast<double>(kBeatLength); }
long frameAt(double seconds) { return std::lround(seconds * kSampleRate); }
long beatFrame(double beat) { return frameAt(beatSeconds(beat)); }

void renderDrums(const Score& score, Mixer& mixer)
{
    const int kick = mixer.addClip(AudioClip(DrumSynth::kick()));
    // A few takes of each noisy hit, played in turn, so repeats do not sound copied.
    constexpr int kTakes = 4;
    int snares[kTakes];
    int claps[kTakes];
    int closedHats[kTakes];
    int openHats[kTakes];
    for (int take = 0; take < kTakes; ++take) {
        const auto seed = static_cast<std::uint32_t>(take);
        snares[take] = mixer.addClip(AudioClip(DrumSynth::snare(101 + seed)));
        claps[take] = mixer.addClip(AudioClip(DrumSynth::clap(201 + seed)));
        closedHats[take] = mixer.addClip(AudioClip(DrumSynth::closedHat(301 + seed)));
        openHats[take] = mixer.addClip(AudioClip(DrumSynth::openHat(401 + seed)));
    }
    using Bus = Mixer::Bus;
    for (const Score::Span& span : score.spans()) {
        const SectionArrangement& section = *span.section;
        for (long beat = span.firstBeat; beat < span.endBeat; ++beat) {
            const Score::Place place = score.place(span, beat);
            const int take = static_cast<int>(beat % kTakes);
            const long onBeat = beatFrame(static_cast<double>(beat));
            mixer.play(kick, onBeat, Bus::Drums, kKickLevel * section.kick, 0.0f, 0.0f, 0.0f);
            mixer.duck(onBeat, section.duck);

            const bool rolling = section.fill && place.bar == span.bars - 1 && place.beatInBar >= 2;
            const bool backbeat = section.halfTime ? place.beatInBar == 2 : place.beatInBar % 2 == 1;
            if (rolling) {
                // The roll into the next section: sixteenths, growing louder.
                for (int step = 0; step < 4; ++step) {
                    const float rise = static_cast<float>((place.beatInBar - 2) * 4 + step + 1) / 8.0f;
                    mixer.play(snares[step], beatFrame(beat + step / 4.0), Bus::Drums,
                               kSnareLevel * (0.25f + 0.65f * rise), 0.1f, 0.0f, 0.2f);
                }
            } else if (place.bar >= section.snareFrom && backbeat) {
                mixer.play(snares[take], onBeat, Bus::Drums, kSnareLevel, 0.1f, 0.0f, 0.3f);
                mixer.play(claps[take], onBeat, Bus::Drums, kClapLevel, -0.1f, 0.0f, 0.0f);
            }
            if (place.bar >= section.openHatFrom) {
                mixer.play(openHats[take], beatFrame(beat + 0.5), Bus::Drums, kOpenHatLevel, -0.25f, 0.0f, 0.0f);
            }
            if (place.bar >= section.closedHatFrom) {
                mixer.play(closedHats[take], beatFrame(beat + 0.25), Bus::Drums, kClosedHatLevel * 0.7f, 0.3f, 0.0f,
                           0.0f);
                mixer.play(closedHats[(take + 1) % kTakes], beatFrame(beat + 0.75), Bus::Drums, kClosedHatLevel,
                           0.3f, 0.0f, 0.0f);
            }
        }
    }
}

template <std::size_t N>
void playBassBar(NotePlayer& bass, long barBeat, const Score::Place& place, const BassStep (&steps)[N])
{
    for (const BassStep& step : steps) {
        bass.play(beatFrame(barBeat + step.step / 4.0), step.length, place.chord->bass + step.octave, kBassLevel,
                  place.brightness, 0.0f, 0.0f);
    }
}

void renderTones(const Score& score, Mixer& mixer)
{
    NotePlayer bass(mixer, kBassPatch, 0.9f, 8, 1);
    // The chords are long and many-voiced: fewer brightness steps keep their rendering short.
    NotePlayer pad(mixer, kPadPatch, 0.97f, 4, 2);
    NotePlayer stab(mixer, kStabPatch, 1.0f, 8, 3);
    NotePlayer arp(mixer, kArpPatch, 0.75f, 8, 4);
    NotePlayer lead(mixer, kLeadPatch, 0.9f, 8, 5);
    for (const Score::Span& span : score.spans()) {
        const SectionArrangement& section = *span.section;
        for (long barBeat = span.firstBarBeat; barBeat + 4 <= span.endBeat; barBeat += 4) {
            const Score::Place place = score.place(span, barBeat);
            const long bar = place.bar;
            const Chord& chord = *place.chord;

            if (bar >= section.bassFrom) {
                switch (section.bass) {
                case BassStyle::Held: playBassBar(bass, barBeat, place, kHeldBass); break;
                case BassStyle::OffBeat: playBassBar(bass, barBeat, place, kOffBeatBass); break;
                case BassStyle::Rolling: playBassBar(bass, barBeat, place, kRollingBass); break;
                case BassStyle::Octaves: playBassBar(bass, barBeat, place, kOctaveBass); break;
                }
            }
            if (section.pad > 0.0f) {
                pad.playChord(beatFrame(static_cast<double>(barBeat)), 16, chord.notes, kPadLevel * section.pad,
                              place.brightness, 0.0f, 0.5f);
            }
            const int stabNotes[3] = {chord.notes[0] + 12, chord.notes[1] + 12, chord.notes[2] + 12};
            for (int step = 0; step < 16; ++step) {
                const long start = beatFrame(barBeat + step / 4.0);
                if (bar >= section.stabsFrom && step % 4 == 2) {
                    stab.playChord(start, 1, stabNotes, kStabLevel, place.brightness, 0.25f, 0.1f);
                }
                if (bar >= section.arpFrom) {
                    const int tone = kArpPattern[step];
                    const int note = tone == 3 ? chord.notes[0] + 24 : chord.notes[tone] + 12;
                    arp.play(start, 1, note, kArpLevel, place.brightness, 0.35f, 0.1f);
                }
            }
            if (section.lead != LeadStyle::None && bar >= section.leadFrom) {
                const bool answer = section.lead == LeadStyle::Answer ||
                                    (section.lead == LeadStyle::CallAndAnswer && (bar / 4) % 2 == 1);
                const MotifNote* motif = answer ? kLeadAnswer : kLeadCall;
                const std::size_t count = answer ? std::size(kLeadAnswer) : std::size(kLeadCall);
                const int motifBar = static_cast<int>(bar % 4);
                for (std::size_t n = 0; n < count; ++n) {
                    const MotifNote& note = motif[n];
                    if (note.step / 16 == motifBar) {
                        lead.play(beatFrame(barBeat + (note.step % 16) / 4.0), note.length,
                                  note.pitch + section.leadShift, kLeadLevel, place.brightness, 0.3f, 0.25f);
                    }
                }
            }
        }
    }
}

// Every cue gets an edge of its own exactly at its time: a crash, a boom and a rise for a scene
// change, a crash for a flash, a chord stab for a hit; each with a short bright snap on top. The
// sounds are made once and shared, however many cues the scenes list.
void renderAccents(const Score& score, const std::vector<Accent>& accents, Mixer& mixer)
{
    using Bus = Mixer::Bus;
    constexpr int kTakes = 4;
    int snaps[kTakes];
    int longCrashes[kTakes];
    int shortCrashes[kTakes];
    for (int take = 0; take < kTakes; ++take) {
        const auto seed = static_cast<std::uint32_t>(take);
        snaps[take] = mixer.addClip(AudioClip(DrumSynth::snap(501 + seed)));
        longCrashes[take] = mixer.addClip(AudioClip(DrumSynth::crash(601 + seed, 1.6f)));
        shortCrashes[take] = mixer.addClip(AudioClip(DrumSynth::crash(701 + seed, 0.7f)));
    }
    const int impact = mixer.addClip(AudioClip(DrumSynth::impact()));
    const long riserFrames = beatFrame(kRiserBeats) - beatFrame(0.0);
    const int riser = mixer.addClip(AudioClip(DrumSynth::riser(801, riserFrames)));
    NotePlayer hits(mixer, kHitPatch, 1.0f, 1, 6);

    // Several tables may mark the same moment; one sound of each kind is enough there.
    std::set<std::pair<long, AccentKind>> placed;
    int count = 0;
    for (const Accent& accent : accents) {
        const double time = accent.time;
        if (time < 0.0 || time >= kFadeEnd) {
            continue;
        }
        const long beat = std::lround(time / kBeatLength - 0.5);
        const bool onBeat = beat >= 0 && std::fabs(beatSeconds(static_cast<double>(beat)) - time) <= kOnBeat;
        const long frame = onBeat ? beatFrame(static_cast<double>(beat)) : frameAt(time);
        if (!placed.insert({frame, accent.kind}).second) {
            continue;
        }
        const int take = count++ % kTakes;
        switch (accent.kind) {
        case AccentKind::SceneChange:
            mixer.play(longCrashes[take], frame, Bus::Drums, kCrashLevel, -0.2f, 0.0f, 0.2f);
            mixer.play(snaps[take], frame, Bus::Drums, kSnapLevel, 0.2f, 0.0f, 0.0f);
            // The boom and the rise need music before them: the very first cue only crashes in.
            if (frame >= riserFrames) {
                mixer.play(impact, frame, Bus::Drums, kImpactLevel, 0.0f, 0.0f, 0.0f);
                mixer.play(riser, frame - riserFrames, Bus::Drums, kRiserLevel, 0.0f, 0.0f, 0.1f);
            }
            break;
        case AccentKind::Flash:
            mixer.play(shortCrashes[take], frame, Bus::Drums, kCrashLevel * 0.85f, 0.25f, 0.0f, 0.15f);
            mixer.play(snaps[take], frame, Bus::Drums, kSnapLevel, -0.1f, 0.0f, 0.0f);
            break;
        case AccentKind::Hit: {
            const long placeBeat = onBeat ? beat : static_cast<long>(std::floor(time / kBeatLength - 0.5));
            const Chord& chord = *score.placeOfBeat(placeBeat).chord;
            const int notes[3] = {chord.notes[0] + 12, chord.notes[1] + 12, chord.notes[2] + 12};
            hits.playChord(frame, 1, notes, kHitLevel, 1.0f, 0.2f, 0.0f, Bus::Drums);
            mixer.play(snaps[take], frame, Bus::Drums, kSnapLevel * 0.8f, 0.0f, 0.0f, 0.0f);
            break;
        }
        }
    }
}

} // namespace

SoundtrackMaker::SoundtrackMaker() : accents_(showAccents()) {}

SoundtrackMaker::SoundtrackMaker(std::vector<Accent> accents) : accents_(std::move(accents)) {}

std::vector<std::int16_t> SoundtrackMaker::render() const
{
    // The close runs to the last beat that still sounds before the fade has closed.
    const Score score(static_cast<long>(std::floor(kFadeEnd / kBeatLength - 0.5)));
    Mixer mixer;
    renderDrums(score, mixer);
    renderTones(score, mixer);
    renderAccents(score, accents_, mixer);
    Mixer::Master master{};
    // A dotted eighth: the echoes land between the notes of the sixteenth grid.
    master.echoFrames = frameAt(0.75 * static_cast<double>(kBeatLength));
    master.gain = kMasterGain;
    master.fadeStart = frameAt(kFadeStart);
    master.fadeEnd = frameAt(kFadeEnd);
    master.ceiling = static_cast<float>(std::pow(10.0, kCeilingDb / 20.0));
    return mixer.render(static_cast<std::size_t>(frameAt(kLength)), master);
}

bool SoundtrackMaker::write(const std::string& path, std::string* error) const
{
    return Mp3Encoder(kBitrate, kEncoderQuality).write(path, render(), error);
}
