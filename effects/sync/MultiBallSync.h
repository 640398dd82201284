#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"
#include "effects/sync/Timeline.h"

// The shapes the ball cloud morphs between; every shape has one vertex per ball.
enum class MorphShape { Sphere, Cube, Cylinder, Cone };

struct MorphStep {
    MorphShape from;
    MorphShape to;
};

inline constexpr int kMorphStepCount = 23;

// Each step starts on the shape the previous one ended on; the run begins and ends on the sphere.
inline constexpr MorphStep kMorphTable[kMorphStepCount] = {
    {MorphShape::Sphere, MorphShape::Cube},     {MorphShape::Cube, MorphShape::Cylinder},
    {MorphShape::Cylinder, MorphShape::Cone},   {MorphShape::Cone, MorphShape::Cube},
    {MorphShape::Cube, MorphShape::Sphere},     {MorphShape::Sphere, MorphShape::Cone},
    {MorphShape::Cone, MorphShape::Cube},       {MorphShape::Cube, MorphShape::Cone},
    {MorphShape::Cone, MorphShape::Cylinder},   {MorphShape::Cylinder, MorphShape::Cube},
    {MorphShape::Cube, MorphShape::Sphere},     {MorphShape::Sphere, MorphShape::Cube},
    {MorphShape::Cube, MorphShape::Cylinder},   {MorphShape::Cylinder, MorphShape::Sphere},
    {MorphShape::Sphere, MorphShape::Cube},     {MorphShape::Cube, MorphShape::Cone},
    {MorphShape::Cone, MorphShape::Sphere},     {MorphShape::Sphere, MorphShape::Cylinder},
    {MorphShape::Cylinder, MorphShape::Cube},   {MorphShape::Cube, MorphShape::Sphere},
    {MorphShape::Sphere, MorphShape::Cone},     {MorphShape::Cone, MorphShape::Cylinder},
    {MorphShape::Cylinder, MorphShape::Sphere},
};

inline constexpr int kMorphCue = 0;

// Beat numbers count from the start of the music; the scene starts on beat 387.5 and cue times are
// measured from its start.
inline constexpr float kMultiBallStart = kTimeline[9].start;
inline constexpr float kMultiBallStartBeat = 387.5f;
constexpr float multiBallBeat(float beat) { return beatTime(kMultiBallStart, beat - kMultiBallStartBeat); }

// One cue per morph step: every second beat from 388.5 to
// 414.5, then a quickening run into the next scene.
inline constexpr SyncEvent kMultiBallEvents[kMorphStepCount] = {
    {multiBallBeat(388.5f), kMorphCue},  {multiBallBeat(390.5f), kMorphCue},  {multiBallBeat(392.5f), kMorphCue},
    {multiBallBeat(394.5f), kMorphCue},  {multiBallBeat(396.5f), kMorphCue},  {multiBallBeat(398.5f), kMorphCue},
    {multiBallBeat(400.5f), kMorphCue},  {multiBallBeat(402.5f), kMorphCue},  {multiBallBeat(404.5f), kMorphCue},
    {multiBallBeat(406.5f), kMorphCue},  {multiBallBeat(408.5f), kMorphCue},  {multiBallBeat(410.5f), kMorphCue},
    {multiBallBeat(412.5f), kMorphCue},  {multiBallBeat(414.5f), kMorphCue},  {multiBallBeat(416.0f), kMorphCue},
    {multiBallBeat(416.5f), kMorphCue},  {multiBallBeat(417.0f), kMorphCue},  {multiBallBeat(417.75f), kMorphCue},
    {multiBallBeat(418.25f), kMorphCue}, {multiBallBeat(418.5f), kMorphCue},  {multiBallBeat(418.75f), kMorphCue},
    {multiBallBeat(419.0f), kMorphCue},  {multiBallBeat(419.25f), kMorphCue},
};
