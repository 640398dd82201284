#include "app/CommandLineValues.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace command_line {

bool parseCount(const char* text, int* value)
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
    return parseCount(widthText.c_str(), width) && parseCount(cross + 1, height);
}

} // namespace command_line
