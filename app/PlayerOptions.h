#pragma once

#include "gl/GL.h"

#include <string>

// The command line of the demo.
struct PlayerOptions {
    int width = 1280; // the build's display mode unless --size says otherwise
    int height = 720;
    bool windowed = false;
    double start = 0.0;
    bool mute = false;
    bool help = false;
    bool version = false;
    gl::Backend glBackend = gl::Backend::Fixed;
    bool glDebug = false;

    // Fills the options from argv; false with a one-line reason in `error` on anything it cannot use.
    bool parse(int argc, const char* const* argv, std::string* error);

    static std::string usage(const char* program);
};
