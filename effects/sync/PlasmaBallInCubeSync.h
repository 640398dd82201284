#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"
#include "effects/sync/Timeline.h"

#include <array>
#include <cstddef>
#include <iterator>

// The plasma ball in the cube: an inverted wireframe flicker on every beat, a time stretch on every odd
// beat, both with a fill in the last bars, one white flash, and 208 steps of the plasma pattern that follow
// the melody off the beat grid. Beats count from the scene's start.
inline constexpr float kPlasmaBallInCubeStart = kTimeline[3].start;

// Event kinds.
inline constexpr int kPlasmaCubeFlash = 0;
inline constexpr int kPlasmaCubeWire = 1;
inline constexpr int kPlasmaCubeStep = 2;
inline constexpr int kPlasmaCubeStretch = 3;

inline constexpr int kPlasmaBallInCubeBeats = 64;
inline constexpr float kPlasmaCubeFlashTime = 65.909f;
// Overlays on top of the one on every beat.
inline constexpr float kPlasmaCubeExtraWireBeats[] = {61.5f, 62.5f, 63.5f, 63.75f};
// Stretches after the one on every odd beat up to 59.
inline constexpr int kPlasmaCubeLastOddStretchBeat = 59;
inline constexpr float kPlasmaCubeExtraStretchBeats[] = {60.5f, 61.0f, 61.5f, 62.25f, 62.75f,
                                                         63.0f, 63.25f, 63.5f, 63.75f};
inline constexpr std::size_t kPlasmaCubeWireCount = kPlasmaBallInCubeBeats + std::size(kPlasmaCubeExtraWireBeats);
inline constexpr std::size_t kPlasmaCubeStretchCount =
    (kPlasmaCubeLastOddStretchBeat + 1) / 2 + std::size(kPlasmaCubeExtraStretchBeats);

// The pattern steps in music seconds; the first two fall just before the scene starts.
inline constexpr float kPlasmaCubeStepTimes[] = {
    53.044647f, 53.25f, 53.34821f, 53.450886f, 53.55356f, 53.65179f, 53.75f, 53.857143f,
    53.94644f, 54.05356f, 54.169636f, 54.258934f, 54.357143f, 54.455353f, 54.558025f, 54.660725f,
    54.86161f, 54.968754f, 55.062496f, 55.16517f, 55.2634f, 55.468754f, 55.66517f, 55.781246f,
    55.870544f, 56.07143f, 56.272312f, 56.47322f, 56.67857f, 56.879456f, 57.08483f, 57.281246f,
    57.392857f, 57.4866f, 57.58483f, 57.683037f, 57.785713f, 57.88839f, 58.0893f, 58.200886f,
    58.29018f, 58.392857f, 58.491066f, 58.580364f, 58.69642f, 58.79018f, 58.892857f, 59.008934f,
    59.09821f, 59.19642f, 59.299114f, 59.397324f, 59.504467f, 59.700886f, 59.799114f, 59.906258f,
    60.004467f, 60.102676f, 60.308025f, 60.508934f, 60.70982f, 60.9107f, 61.116077f, 61.312496f,
    61.42857f, 61.517868f, 61.620544f, 61.718754f, 61.785713f, 61.919636f, 61.9866f, 62.120544f,
    62.232155f, 62.325897f, 62.424103f, 62.522312f, 62.620544f, 62.727688f, 62.830364f, 62.92857f,
    63.02678f, 63.129456f, 63.232155f, 63.330364f, 63.419636f, 63.531246f, 63.629456f, 63.7366f,
    63.84821f, 63.937504f, 64.040184f, 64.13839f, 64.236595f, 64.34374f, 64.540184f, 64.651794f,
    64.74553f, 64.84374f, 64.94644f, 65.14732f, 65.348206f, 65.54912f, 65.75f, 65.95088f,
    66.15626f, 66.36161f, 66.459816f, 66.55803f, 66.763405f, 66.83036f, 66.959816f, 67.07143f,
    67.16517f, 67.263405f, 67.36607f, 67.46429f, 67.57143f, 67.66964f, 67.767845f, 67.870544f,
    67.97322f, 68.07143f, 68.16964f, 68.263405f, 68.37501f, 68.47322f, 68.5759f, 68.68751f,
    68.77678f, 68.879456f, 68.977684f, 69.0759f, 69.18304f, 69.38393f, 69.49553f, 69.58483f,
    69.69197f, 69.78571f, 69.991066f, 70.18751f, 70.39286f, 70.589294f, 70.79465f, 70.99553f,
    71.10714f, 71.19642f, 71.29912f, 71.39732f, 71.49553f, 71.60268f, 71.80358f, 71.89732f,
    72.00447f, 72.10714f, 72.20535f, 72.30358f, 72.40626f, 72.50447f, 72.61161f, 72.70535f,
    72.81249f, 72.91517f, 73.013405f, 73.11161f, 73.21875f, 73.41517f, 73.522316f, 73.620544f,
    73.71875f, 73.81696f, 74.022316f, 74.22322f, 74.33483f, 74.4241f, 74.62499f, 74.68304f,
    74.83036f, 75.02678f, 75.232155f, 75.43304f, 75.63839f, 75.83483f, 75.93304f, 76.040184f,
    76.13839f, 76.241066f, 76.33483f, 76.44197f, 76.64286f, 76.75447f, 76.84374f, 76.94644f,
    77.04465f, 77.14286f, 77.25f, 77.34374f, 77.45088f, 77.56249f, 77.651794f, 77.741066f,
    77.85268f, 77.94644f, 78.05356f, 78.25447f, 78.36607f, 78.459816f, 78.55803f, 78.65626f,
};

namespace plasma_cube_sync {

constexpr float at(float beats) { return beatTime(kPlasmaBallInCubeStart, beats); }

constexpr std::array<SyncEvent, kPlasmaCubeWireCount> wires()
{
    std::array<SyncEvent, kPlasmaCubeWireCount> events{};
    std::size_t n = 0;
    for (int beat = 0; beat < kPlasmaBallInCubeBeats; ++beat) {
        events[n++] = {at(static_cast<float>(beat)), kPlasmaCubeWire};
    }
    for (float beat : kPlasmaCubeExtraWireBeats) {
        events[n++] = {at(beat), kPlasmaCubeWire};
    }
    return sortedByTime(events);
}

constexpr std::array<SyncEvent, kPlasmaCubeStretchCount> stretches()
{
    std::array<SyncEvent, kPlasmaCubeStretchCount> events{};
    std::size_t n = 0;
    for (int beat = 1; beat <= kPlasmaCubeLastOddStretchBeat; beat += 2) {
        events[n++] = {at(static_cast<float>(beat)), kPlasmaCubeStretch};
    }
    for (float beat : kPlasmaCubeExtraStretchBeats) {
        events[n++] = {at(beat), kPlasmaCubeStretch};
    }
    return sortedByTime(events);
}

constexpr std::array<SyncEvent, std::size(kPlasmaCubeStepTimes)> steps()
{
    std::array<SyncEvent, std::size(kPlasmaCubeStepTimes)> events{};
    for (std::size_t i = 0; i < events.size(); ++i) {
        events[i] = {kPlasmaCubeStepTimes[i], kPlasmaCubeStep};
    }
    return events;
}

} // namespace plasma_cube_sync

// In ascending time within each table.
inline constexpr std::array<SyncEvent, 1> kPlasmaBallInCubeFlashes = {{{kPlasmaCubeFlashTime, kPlasmaCubeFlash}}};
inline constexpr auto kPlasmaBallInCubeWires = plasma_cube_sync::wires();
inline constexpr auto kPlasmaBallInCubeSteps = plasma_cube_sync::steps();
inline constexpr auto kPlasmaBallInCubeStretches = plasma_cube_sync::stretches();
