#include "tools/render/RenderOptions.h"

#include "app/CommandLineValues.h"

#include <string>

namespace {

using command_line::parseSeconds;
using command_line::parseSize;

constexpr int kMaxSide = 8192;
constexpr int kMaxFps = 1000;

constexpr struct {
    const char* name;
    ContextKind kind;
} kContextKinds[] = {{"compatibility", ContextKind::Compatibility},
                     {"core", ContextKind::Core},
                     {"core-forward", ContextKind::ForwardCompatibleCore},
                     {"core-4.1-forward", ContextKind::ForwardCompatibleCore41},
                     {"es", ContextKind::ES}};

bool parseContext(const std::string& value, std::optional<ContextKind>* context)
{
    for (const auto& entry : kContextKinds) {
        if (value == entry.name) {
            *context = entry.kind;
            return true;
        }
    }
    return false;
}

} // namespace

const char* RenderOptions::usage()
{
    return "usage: quessaly-render [--size WxH] [--fps N] [--start S] [--end S]\n"
           "                       [--video FILE] [--frames DIR] [--sheet FILE] [--stats] [--quiet]\n"
           "                       [--draw-path resident|literal] [--gl fixed|shader|es] [--jobs N]\n"
           "                       [--context compatibility|core|core-forward|core-4.1-forward|es] [--gl-debug]\n";
}

bool RenderOptions::parse(int argc, const char* const* argv, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--stats") {
            stats = true;
            continue;
        }
        if (option == "--quiet") {
            quiet = true;
            continue;
        }
        if (option == "--help") {
            help = true;
            continue;
        }
        if (option == "--gl-debug") {
            glDebug = true;
            continue;
        }
        const bool takesValue = option == "--size" || option == "--fps" || option == "--start" || option == "--end" ||
                                option == "--video" || option == "--frames" || option == "--sheet" ||
                                option == "--draw-path" || option == "--gl" || option == "--jobs" ||
                                option == "--context";
        if (!takesValue) {
            *error = "unknown option '" + option + "' (see --help)";
            return false;
        }
        if (i + 1 >= argc) {
            *error = option + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        bool valid = true;
        if (option == "--size") {
            valid = parseSize(value, &width, &height) && width <= kMaxSide && height <= kMaxSide;
        } else if (option == "--fps") {
            valid = command_line::parseCount(value, &fps) && fps <= kMaxFps;
        } else if (option == "--jobs") {
            valid = command_line::parseCount(value, &jobs) && jobs <= kMaxJobs;
        } else if (option == "--start") {
            valid = parseSeconds(value, &start);
        } else if (option == "--end") {
            valid = parseSeconds(value, &end);
        } else if (option == "--video") {
            video = value;
            valid = !video.empty();
        } else if (option == "--draw-path") {
            valid = DrawPath::parse(value, &drawPath);
        } else if (option == "--gl" && std::string(value) == "es") {
            // The shader back end drawing lines as it must on OpenGL ES, as the browser build does.
            glBackend = gl::Backend::Shader;
            linesAsOnES = true;
        } else if (option == "--gl") {
            valid = gl::parse(value, &glBackend);
        } else if (option == "--context") {
            valid = parseContext(value, &context);
        } else if (option == "--frames") {
            framesDirectory = value;
            valid = !framesDirectory.empty();
        } else {
            sheet = value;
            valid = !sheet.empty();
        }
        if (!valid) {
            *error = "invalid value '" + std::string(value) + "' for " + option;
            return false;
        }
    }
    // Frame times are only worth measuring with the processor to themselves.
    if (stats && jobs > 1) {
        *error = "--stats measures frames in one job: leave out --jobs or give --jobs 1";
        return false;
    }
    if (glBackend == gl::Backend::Fixed && context && *context != ContextKind::Compatibility) {
        *error = "the fixed back end draws on a compatibility context only: give --gl shader or es with --context";
        return false;
    }
    if (end >= 0.0 && end < start) {
        *error = "--end must not come before --start";
        return false;
    }
    return true;
}
