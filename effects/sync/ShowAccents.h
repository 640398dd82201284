#pragma once

#include <vector>

// How strongly the music marks a cue of the picture.
enum class AccentKind {
    SceneChange, // a timeline boundary
    Hit,         // a beat the picture moves on (pulse, kick, slam, morph)
    Flash,       // a flash or burst of the picture
};

struct Accent {
    float time;
    AccentKind kind;
};

// Every cue of the show, from the timeline and the scenes' own event tables, sorted by time. The
// soundtrack is written from this list, so picture and music share one source of timing.
std::vector<Accent> showAccents();
