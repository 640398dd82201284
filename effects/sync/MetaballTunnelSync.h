#pragma once

#include "effects/sync/Beat.h"
#include "effects/sync/SyncEvent.h"
#include "effects/sync/Timeline.h"

#include <array>
#include <cstddef>
#include <iterator>

// The metaball tunnel's cues: every beat pulses the balls, a syncopated kick pattern makes them race in
// each eight-beat bar, and every odd beat flashes. Beats count from the scene's start.
inline constexpr float kMetaballTunnelStart = kTimeline[10].start;

// Event kinds.
inline constexpr int kMetaballKick = 0;
inline constexpr int kMetaballPulse = 1;
inline constexpr int kMetaballFlash = 2;

inline constexpr int kMetaballTunnelBeats = 64;
// Pulses on top of the one on every beat: the fill at the end of the fourth bar.
inline constexpr float kMetaballExtraPulseBeats[] = {29.5f, 30.5f, 31.5f, 31.75f};
// The kick pattern of one eight-beat bar, played in all eight bars.
inline constexpr float kMetaballKickBar[] = {0.0f, 0.5f, 1.75f, 2.5f, 4.0f, 4.5f, 5.5f};
inline constexpr int kMetaballBarBeats = 8;
inline constexpr int kMetaballBars = 8;
inline constexpr std::size_t kMetaballPulseCount = kMetaballTunnelBeats + std::size(kMetaballExtraPulseBeats);
inline constexpr std::size_t kMetaballKickCount = kMetaballBars * std::size(kMetaballKickBar);
inline constexpr std::size_t kMetaballFlashCount = kMetaballTunnelBeats / 2;

namespace metaball_sync {

constexpr float at(float beats) { return beatTime(kMetaballTunnelStart, beats); }

constexpr std::array<SyncEvent, kMetaballPulseCount> pulses()
{
    std::array<SyncEvent, kMetaballPulseCount> events{};
    std::size_t n = 0;
    for (int beat = 0; beat < kMetaballTunnelBeats; ++beat) {
        events[n++] = {at(static_cast<float>(beat)), kMetaballPulse};
    }
    for (float beat : kMetaballExtraPulseBeats) {
        events[n++] = {at(beat), kMetaballPulse};
    }
    return sortedByTime(events);
}

constexpr std::array<SyncEvent, kMetaballKickCount> kicks()
{
    std::array<SyncEvent, kMetaballKickCount> events{};
    std::size_t n = 0;
    for (int bar = 0; bar < kMetaballBars; ++bar) {
        for (float beat : kMetaballKickBar) {
            events[n++] = {at(static_cast<float>(bar * kMetaballBarBeats) + beat), kMetaballKick};
        }
    }
    return events;
}

constexpr std::array<SyncEvent, kMetaballFlashCount> flashes()
{
    std::array<SyncEvent, kMetaballFlashCount> events{};
    for (std::size_t i = 0; i < kMetaballFlashCount; ++i) {
        events[i] = {at(static_cast<float>(2 * i + 1)), kMetaballFlash};
    }
    return events;
}

} // namespace metaball_sync

// In ascending time within each table.
inline constexpr auto kMetaballTunnelPulses = metaball_sync::pulses();
inline constexpr auto kMetaballTunnelKicks = metaball_sync::kicks();
inline constexpr auto kMetaballTunnelFlashes = metaball_sync::flashes();
