#pragma once

// Music times in seconds at which the sphere tree's path changes colour, one palette step each.
// They follow the melody rather than the beat grid, so they are kept in seconds.
inline constexpr int kSphereTreeBeatCount = 51;

inline constexpr float kSphereTreeBeatTimes[kSphereTreeBeatCount] = {
    118.581085f, 119.391884f, 120.2027f,  121.01351f, 121.82433f, 122.635124f, 123.44594f, 124.25676f,
    125.06757f,  125.878365f, 126.689186f, 127.5f,    128.31082f, 129.12163f,  129.72972f, 129.93242f,
    130.13513f,  130.43918f,  130.74324f,  130.94594f, 131.55406f, 132.36487f,  133.17567f, 133.98648f,
    134.7973f,   135.60812f,  136.41891f,  137.22972f, 138.04054f, 138.85136f,  139.66216f, 140.47298f,
    141.08109f,  141.28378f,  141.48648f,  141.79054f, 141.89188f, 141.99324f,  142.0946f,  142.19594f,
    142.2973f,   142.39864f,  142.60136f,  142.7027f,  142.9054f,  143.10812f,  143.41216f, 143.61487f,
    143.81758f,  143.91891f,  144.02028f,
};
