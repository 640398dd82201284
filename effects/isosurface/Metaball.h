#pragma once

// One ball of the metaball field: it adds strength² / distance² to every sample, so alone its surface is
// the sphere of radius `strength` around `position`.
struct Metaball {
    float strength = 0.0f;
    float position[3] = {0.0f, 0.0f, 0.0f};
    // Angles in radians that drive x (0) and y (1).
    float phase[2] = {0.0f, 0.0f};
    // Current angular speeds in radians per second: phase 0 advances by speed 0, phase 1 by speed 1 + speed 2.
    float speed[3] = {0.0f, 0.0f, 0.0f};
    // Where a kick throws the speeds, and the floor they fall back to.
    float kickSpeed[3] = {0.0f, 0.0f, 0.0f};
    float baseSpeed[3] = {0.0f, 0.0f, 0.0f};
};
