#pragma once

// The play order of the show: each scene's keyword, printed when it starts, and the music times of its
// start and end in seconds. After the intro the scenes last whole numbers of beats (60/148 s): 64, 64, 32,
// 32, 32, 64, 32, 32, 64 and 32 beats, then 24 for the outtro; the ending runs until it quits.
struct TimelineTime {
    const char* keyword;
    float start;
    float end;
};

inline constexpr int kTimelineLength = 14;

inline constexpr TimelineTime kTimeline[kTimelineLength] = {
    {"LOADER\n", -1.0f, 0.0f},
    {"INTRO\n", 0.0f, 27.364876f},
    {"MULTICYLINDERTUNNEL\n", 27.364876f, 53.310818f},
    {"PLASMABALLINCUBE\n", 53.310818f, 79.25676f},
    {"PLASMATUNNELVELK\n", 79.25676f, 92.22973f},
    {"PLASMATUNNELQUARN\n", 92.22973f, 105.2027f},
    {"CYLINDERPLANE\n", 105.2027f, 118.17567f},
    {"RECURSIVEBALL\n", 118.17567f, 144.12163f},
    {"BUTTERFLYBALL\n", 144.12163f, 157.0946f},
    {"MULTIBALL\n", 157.0946f, 170.06758f},
    {"METABALLTUNNEL\n", 170.06758f, 196.01352f},
    {"PLASMABALL\n", 196.01352f, 208.98648f},
    {"OUTTRO\n", 208.98648f, 218.71623f},
    {"ENDING\n", 218.71623f, 300.0f},
};
