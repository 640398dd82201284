#pragma once

// Every sound the asset tool makes runs at the rate the demo's audio device plays.
inline constexpr int kSampleRate = 44100;
