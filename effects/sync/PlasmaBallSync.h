#pragma once

// The plasma ball has no cues: its pattern runs on a clock wound back from the scene's start towards
// zero, which it would reach at kPlasmaBallRewindEnd, just after the scene ends.
inline constexpr float kPlasmaBallRewindEnd = 209.0f;
