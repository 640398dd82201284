#pragma once

#include "effects/sync/SyncEvent.h"

// What the intro does on its cues.
enum class RainBallCue : int { LogoFadeIn = 0, Ripple = 1, StripFall = 2, Burst = 3, RingShown = 4 };

// The intro's cues lie off the beat grid, so they are given in seconds of music.
inline constexpr SyncEvent kRainBallMoves[] = {
    {8.512f, static_cast<int>(RainBallCue::RingShown)},
    {14.624f, static_cast<int>(RainBallCue::LogoFadeIn)},
    {18.8f, static_cast<int>(RainBallCue::Ripple)},
    {21.824f, static_cast<int>(RainBallCue::StripFall)},
};

// Ball, ring and spikes burst apart and the picture fades to white.
inline constexpr SyncEvent kRainBallBursts[] = {
    {25.81f, static_cast<int>(RainBallCue::Burst)},
};
