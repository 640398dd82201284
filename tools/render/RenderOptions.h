#pragma once

#include "geometry/DrawPath.h"
#include "gl/GL.h"
#include "platform/PlatformWindow.h"

#include <optional>
#include <string>

// The command line of quessaly-render.
struct RenderOptions {
    int width = 1280;
    int height = 720;
    int fps = 60;
    double start = 0.0;
    double end = -1.0; // negative: until the show asks to quit
    std::string video;
    std::string framesDirectory;
    std::string sheet;
    bool stats = false;
    bool quiet = false;
    bool help = false;
    int jobs = 0; // worker processes; 0: as many as pay on this machine
    DrawPath::Kind drawPath = DrawPath::Resident;
    gl::Backend glBackend = gl::Backend::Fixed;
    // Set: the one kind of GL context to draw on; otherwise the player's choice.
    std::optional<ContextKind> context;
    bool glDebug = false;
    // Not on the command line: the shader back end's lines as on OpenGL ES on any context, for comparisons.
    bool linesAsOnES = false;
    // Not on the command line: the contact sheet's slots are saved for joining instead of the sheet itself.
    bool sheetAsSlots = false;

    static constexpr int kMaxJobs = 64;

    // Fills the options from argv; false with a one-line reason in `error` on anything it cannot use.
    bool parse(int argc, const char* const* argv, std::string* error);

    static const char* usage();
};
