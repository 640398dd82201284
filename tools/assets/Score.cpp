#include "tools/assets/Score.h"

#include "effects/sync/Beat.h"

#include <algorithm>
#include <cmath>

namespace {

long floorDiv(long a, long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The beat that sounds at a timeline boundary: beat n falls at (n + 0.5) beat lengths.
long beatAt(float seconds) { return std::lround(seconds / kBeatLength - 0.5f); }

} // namespace

Score::Score(long lastBeat)
{
    for (int entry = 1; entry < kTimelineLength; ++entry) {
        const bool last = entry + 1 == kTimelineLength;
        Span span{};
        span.section = &kArrangement[entry - 1];
        // The intro starts with the music, half a beat before its first beat.
        span.firstBeat = entry == 1 ? 0 : beatAt(kTimeline[entry].start);
        span.endBeat = last ? lastBeat + 1 : beatAt(kTimeline[entry + 1].start);
        span.bars = (span.endBeat - span.firstBeat) / 4;
        // Bars end with their section, so an odd beat count makes a pick-up; the close starts on a bar
        // and is cut by the fade.
        span.firstBarBeat = last ? span.firstBeat : span.endBeat - 4 * span.bars;
        spans_.push_back(span);
    }
}

Score::Place Score::place(const Span& span, long beat) const
{
    const long offset = beat - span.firstBarBeat;
    const long bar = floorDiv(offset, 4);
    const float progress =
        static_cast<float>(beat - span.firstBeat) / static_cast<float>(std::max(1L, span.endBeat - span.firstBeat));
    const SectionArrangement& section = *span.section;
    const long chord = bar - 4 * floorDiv(bar, 4);
    return {bar, static_cast<int>(offset - 4 * bar),
            section.brightStart + (section.brightEnd - section.brightStart) * progress,
            &kProgressions[section.progression][chord]};
}

Score::Place Score::placeOfBeat(long beat) const
{
    const long clamped = std::clamp(beat, 0L, spans_.back().endBeat - 1);
    for (const Span& span : spans_) {
        if (clamped < span.endBeat) {
            return place(span, clamped);
        }
    }
    return place(spans_.back(), clamped);
}
