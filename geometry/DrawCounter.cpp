#include "geometry/DrawCounter.h"

namespace {

DrawCounter::Totals running;

} // namespace

void DrawCounter::countDraw(std::uint64_t bytesSent)
{
    ++running.draws;
    running.bytes += bytesSent;
}

void DrawCounter::countUpload(std::uint64_t bytes) { running.bytes += bytes; }

DrawCounter::Totals DrawCounter::take()
{
    const Totals totals = running;
    running = Totals{};
    return totals;
}
