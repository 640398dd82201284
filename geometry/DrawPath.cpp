#include "geometry/DrawPath.h"

#include <cstring>
#include <initializer_list>

namespace {

DrawPath::Kind selected = DrawPath::Resident;
bool drawsStateOnly = false;

} // namespace

void DrawPath::select(Kind kind) { selected = kind; }
DrawPath::Kind DrawPath::current() { return selected; }
void DrawPath::setStateOnly(bool stateOnly) { drawsStateOnly = stateOnly; }
bool DrawPath::stateOnly() { return drawsStateOnly; }

const char* DrawPath::name(Kind kind) { return kind == Literal ? "literal" : "resident"; }

bool DrawPath::parse(const char* text, Kind* kind)
{
    for (Kind candidate : {Literal, Resident}) {
        if (std::strcmp(text, name(candidate)) == 0) {
            *kind = candidate;
            return true;
        }
    }
    return false;
}
