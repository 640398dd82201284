#include "app/PlayerOptions.h"

#include "app/CommandLineValues.h"
#include "effects/sync/EndingSync.h"

namespace {

constexpr int kMaxSide = 16384;

} // namespace

std::string PlayerOptions::usage(const char* program)
{
    return std::string("usage: ") + program +
           " [--windowed | --fullscreen] [--size WxH] [--start SECONDS] [--mute] [--gl fixed|shader]\n"
           "       [--gl-debug] [--help] [--version]\n"
           "  --windowed       play in a window\n"
           "  --fullscreen     play fullscreen in the display mode of --size (the default)\n"
           "  --size WxH       the window's size, or with --fullscreen the display mode\n"
           "  --start SECONDS  begin the music and the show this far in\n"
           "  --mute           play without sound, on the silent clock\n"
           "  --gl shader      draw through shaders on an OpenGL 3.3 core or ES 3.0 context (fixed: GL 1.x,\n"
           "                   the default where the driver has it)\n"
           "  --gl-debug       print every distinct GL error once, with its scene; exit with status 1 if any\n"
           "  Space pauses and resumes; Alt+Enter switches fullscreen and a window; Escape ends the show.\n";
}

bool PlayerOptions::parse(int argc, const char* const* argv, std::string* error)
{
    enum class Mode { Default, Windowed, Fullscreen };
    Mode mode = Mode::Default;
    bool sizeGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--windowed" || option == "--fullscreen") {
            mode = option == "--windowed" ? Mode::Windowed : Mode::Fullscreen;
        } else if (option == "--mute") {
            mute = true;
        } else if (option == "--gl-debug") {
            glDebug = true;
        } else if (option == "--help" || option == "-h") {
            help = true;
        } else if (option == "--version") {
            version = true;
        } else if (option == "--gl") {
            if (i + 1 >= argc || !gl::parse(argv[i + 1], &glBackend)) {
                *error = i + 1 >= argc ? option + " needs a value"
                                       : "invalid value '" + std::string(argv[i + 1]) + "' for --gl (fixed or shader)";
                return false;
            }
            ++i;
        } else if (option == "--size" || option == "--start") {
            if (i + 1 >= argc) {
                *error = option + " needs a value";
                return false;
            }
            const char* value = argv[++i];
            const bool valid = option == "--size"
                                   ? command_line::parseSize(value, &width, &height) && width <= kMaxSide &&
                                         height <= kMaxSide
                                   : command_line::parseSeconds(value, &start) && start < kEndingQuitTime;
            if (!valid) {
                *error = "invalid value '" + std::string(value) + "' for " + option +
                         (option == "--size" ? " (WxH, e.g. 1024x768)" : " (seconds, before the show ends)");
                return false;
            }
            sizeGiven = sizeGiven || option == "--size";
        } else {
            *error = "unknown option '" + option + "'";
            return false;
        }
    }
    // A size alone asks for a window of that size; fullscreen stays the default otherwise.
    windowed = mode == Mode::Windowed || (mode == Mode::Default && sizeGiven);
    return true;
}
