#pragma once

// The music runs at 148 beats per minute; scenes count their cues in beats from their start time.
inline constexpr float kBeatLength = 60.0f / 148.0f;

// The music time of a cue `beats` beats after a scene's start.
constexpr float beatTime(float sceneStart, float beats) { return sceneStart + beats * kBeatLength; }
