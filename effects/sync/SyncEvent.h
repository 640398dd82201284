#pragma once

// One cue of a scene's event table: the music time in seconds and a kind whose meaning the scene defines.
struct SyncEvent {
    float time;
    int kind;
};
