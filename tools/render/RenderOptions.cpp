#include "tools/render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxSide = 8192;
constexpr int kMaxFps = 1000;

bool parseInt(const char* text, int* value)
{
    char* rest = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &rest, 10);
    if (errno != 0 || rest == text || *rest != '\0' || parsed < 1 || parsed > 1000000) {
        return false;
    }
    *value = static_cast<int>(parsed);
    return true;
}

bool parseSeconds(const char* text, double* value)
{
    char* rest = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &rest);
    if (errno != 0 || rest == text || *rest != '\0' || !std::isfinite(parsed) || parsed < 0.0) {
        return false;
    }
    *value = parsed;
    return true;
}

bool parseSize(const char* text, int* width, int* height)
{
    const char* cross = std::strchr(text, 'x');
    if (cross == nullptr) {
        return false;
    }
    const std::string widthText(text, cross);
    return parseInt(widthText.c_str(), width) && parseInt(cross + 1, height);
}

} // namespace

const char* RenderOptions::usage()
{
    return "usage: quessaly-render [--size WxH] [--fps N] [--start S] [--end S]\n"
           "                       [--video FILE] [--frames DIR] [--sheet FILE] [--stats] [--quiet]\n"
           "                       [--draw-path resident|literal]\n";
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
        const bool takesValue = option == "--size" || option == "--fps" || option == "--start" || option == "--end" ||
                                option == "--video" || option == "--frames" || option == "--sheet" ||
                                option == "--draw-path";
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
            valid = parseInt(value, &fps) && fps <= kMaxFps;
        } else if (option == "--start") {
            valid = parseSeconds(value, &start);
        } else if (option == "--end") {
            valid = parseSeconds(value, &end);
        } else if (option == "--video") {
            video = value;
            valid = !video.empty();
        } else if (option == "--draw-path") {
            valid = DrawPath::parse(value, &drawPath);
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
    if (end >= 0.0 && end < start) {
        *error = "--end must not come before --start";
        return false;
    }
    return true;
}
