#pragma once

#include <array>
#include <cstddef>

// One cue of a scene's event table: the music time in seconds and a kind whose meaning the scene defines.
struct SyncEvent {
    float time;
    int kind;
};

// Insertion sort at compile time, so each table lists its events in ascending time.
template <std::size_t N>
constexpr std::array<SyncEvent, N> sortedByTime(std::array<SyncEvent, N> events)
{
    for (std::size_t i = 1; i < N; ++i) {
        for (std::size_t j = i; j > 0 && events[j].time < events[j - 1].time; --j) {
            const SyncEvent later = events[j - 1];
            events[j - 1] = events[j];
            events[j] = later;
        }
    }
    return events;
}
