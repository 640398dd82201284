#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"
#include "effects/sync/Timeline.h"

#include <array>

inline constexpr int kSlamCue = 0;     // every peg pair snaps shut and springs open
inline constexpr int kMarkPegsCue = 1; // random pegs turn red and stay shut

// Beat numbers count from the start of the music; the scene starts on beat 259.5, and cue times are
// measured from its start so the first cues fall exactly on it.
inline constexpr float kCylinderPlaneStart = kTimeline[6].start;
inline constexpr float kCylinderPlaneStartBeat = 259.5f;
constexpr float cylinderPlaneBeat(float beat) { return beatTime(kCylinderPlaneStart, beat - kCylinderPlaneStartBeat); }

inline constexpr float kFirstSlamBeat = 259.5f;
inline constexpr int kSlamCount = 32; // every beat up to beat 290.5
// The syncopated marking figure, repeated every eight beats, four times.
inline constexpr float kMarkOffsets[] = {0.0f, 0.5f, 1.75f, 2.5f, 4.0f, 4.5f, 5.5f};
inline constexpr int kMarkBars = 4;
inline constexpr float kMarkBarLength = 8.0f;

inline constexpr int kCylinderPlaneEventCount =
    kSlamCount + kMarkBars * static_cast<int>(sizeof(kMarkOffsets) / sizeof(kMarkOffsets[0]));

constexpr std::array<SyncEvent, kCylinderPlaneEventCount> makeCylinderPlaneEvents()
{
    std::array<SyncEvent, kCylinderPlaneEventCount> events{};
    int n = 0;
    for (int beat = 0; beat < kSlamCount; ++beat) {
        events[n++] = {cylinderPlaneBeat(kFirstSlamBeat + static_cast<float>(beat)), kSlamCue};
    }
    for (int bar = 0; bar < kMarkBars; ++bar) {
        for (float offset : kMarkOffsets) {
            events[n++] = {cylinderPlaneBeat(kFirstSlamBeat + offset + kMarkBarLength * static_cast<float>(bar)),
                           kMarkPegsCue};
        }
    }
    return events;
}

// Slams first, then marks; the scene sorts them by time.
inline constexpr std::array<SyncEvent, kCylinderPlaneEventCount> kCylinderPlaneEvents = makeCylinderPlaneEvents();
