#pragma once

// A scene's cue: at `time` seconds of music (absolute, not scene-local) the scene acts on `kind`.
struct TimedEvent {
    float time = 0.0f;
    int kind = 0;
};
