#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"

#include <array>

// Kind 0 flashes the picture; kinds 1 to 3 do nothing in this scene but still take their turn in the
// one-event-per-frame firing.
enum class PlasmaTunnelVelkCue : int { BassFlash = 0 };

// Beats count from the start of the music.
namespace plasma_tunnel_velk_sync {

inline constexpr float kFirstFlashBeat = 195.5f;
inline constexpr int kFlashCount = 32; // every beat up to beat 226.5
inline constexpr float kFirstIdleBeat = 196.5f;
// Every second beat up to beat 226.5, with these kinds in turn.
inline constexpr int kIdleKinds[] = {1, 2, 3, 1, 3, 2, 3, 1, 2, 3, 1, 3, 2, 2, 3, 1};
inline constexpr int kIdleCount = static_cast<int>(sizeof(kIdleKinds) / sizeof(kIdleKinds[0]));

constexpr std::array<SyncEvent, kFlashCount> makeFlashes()
{
    std::array<SyncEvent, kFlashCount> events{};
    for (int beat = 0; beat < kFlashCount; ++beat) {
        events[beat] = {beatTime(0.0f, kFirstFlashBeat + static_cast<float>(beat)),
                        static_cast<int>(PlasmaTunnelVelkCue::BassFlash)};
    }
    return events;
}

constexpr std::array<SyncEvent, kIdleCount> makeIdleCues()
{
    std::array<SyncEvent, kIdleCount> events{};
    for (int i = 0; i < kIdleCount; ++i) {
        events[i] = {beatTime(0.0f, kFirstIdleBeat + 2.0f * static_cast<float>(i)), kIdleKinds[i]};
    }
    return events;
}

} // namespace plasma_tunnel_velk_sync

// A white flash on every beat, with "bassflash" on standard output.
inline constexpr auto kPlasmaTunnelVelkFlashes = plasma_tunnel_velk_sync::makeFlashes();
inline constexpr auto kPlasmaTunnelVelkIdleCues = plasma_tunnel_velk_sync::makeIdleCues();
