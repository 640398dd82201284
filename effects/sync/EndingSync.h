#pragma once

// The closing square fades from opaque at kEndingFadeStart to transparent about 5.2 s later; from
// kEndingQuitTime on the program is asked to end in every frame.
inline constexpr float kEndingFadeStart = 220.0f;
inline constexpr float kEndingFadeRate = 0.19234468f; // alpha lost per second
inline constexpr float kEndingQuitTime = 227.5f;
