#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"

#include <array>

// What the cylinder tunnel does on its cues.
enum class MultiCylinderTunnelCue : int { FadeOut = 0, Pulse = 1, Zoom = 2, Flash = 3 };

// Beats count from the start of the music.
namespace multi_cylinder_tunnel_sync {

inline constexpr float kFirstPulseBeat = 67.5f;
inline constexpr int kBeatPulseCount = 64; // every beat up to beat 130.5
inline constexpr float kExtraPulseBeats[] = {98.0f, 99.0f, 99.25f};
inline constexpr float kFirstZoomBeat = 100.5f;
inline constexpr int kEvenZoomCount = 13; // every second beat up to beat 124.5
inline constexpr float kFinalZoomBeats[] = {128.0f, 128.5f, 129.0f, 129.75f, 130.5f};

inline constexpr int kPulseCount = kBeatPulseCount + 3;
inline constexpr int kZoomCount = kEvenZoomCount + 5;

constexpr std::array<SyncEvent, kPulseCount> makePulses()
{
    constexpr int kind = static_cast<int>(MultiCylinderTunnelCue::Pulse);
    std::array<SyncEvent, kPulseCount> events{};
    int n = 0;
    for (int beat = 0; beat < kBeatPulseCount; ++beat) {
        events[n++] = {beatTime(0.0f, kFirstPulseBeat + static_cast<float>(beat)), kind};
    }
    for (float beat : kExtraPulseBeats) {
        events[n++] = {beatTime(0.0f, beat), kind};
    }
    return events;
}

constexpr std::array<SyncEvent, kZoomCount> makeZooms()
{
    constexpr int kind = static_cast<int>(MultiCylinderTunnelCue::Zoom);
    std::array<SyncEvent, kZoomCount> events{};
    int n = 0;
    for (int zoom = 0; zoom < kEvenZoomCount; ++zoom) {
        events[n++] = {beatTime(0.0f, kFirstZoomBeat + 2.0f * static_cast<float>(zoom)), kind};
    }
    for (float beat : kFinalZoomBeats) {
        events[n++] = {beatTime(0.0f, beat), kind};
    }
    return events;
}

} // namespace multi_cylinder_tunnel_sync

// The tubes swell and the wireframe flashes yellow on every beat.
inline constexpr auto kMultiCylinderTunnelPulses = multi_cylinder_tunnel_sync::makePulses();
// The picture kicks in with a zoom.
inline constexpr auto kMultiCylinderTunnelZooms = multi_cylinder_tunnel_sync::makeZooms();
// A white flash, off the beat grid.
inline constexpr SyncEvent kMultiCylinderTunnelFlashes[] = {
    {39.96f, static_cast<int>(MultiCylinderTunnelCue::Flash)},
};
// The fade to white that closes the scene.
inline constexpr SyncEvent kMultiCylinderTunnelFadeOuts[] = {
    {52.126f, static_cast<int>(MultiCylinderTunnelCue::FadeOut)},
};
