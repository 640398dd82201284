#pragma once

#include "tools/assets/Arrangement.h"

#include <vector>

// The soundtrack's sections laid on the beat grid: which beats each timeline entry spans, where its
// bars start, and for any beat the bar, the chord and the filter brightness.
class Score {
public:
    // The beats of one timeline entry.
    struct Span {
        const SectionArrangement* section;
        long firstBeat;
        long endBeat;      // one past the last
        long firstBarBeat; // bar 0's first beat; a pick-up before it is bar -1
        long bars;         // full bars
    };

    // Where a beat is in the score.
    struct Place {
        long bar;
        int beatInBar;
        float brightness;
        const Chord* chord;
    };

    // The last section, the close, runs to `lastBeat`.
    explicit Score(long lastBeat);

    const std::vector<Span>& spans() const { return spans_; }
    Place place(const Span& span, long beat) const;
    // The place of any beat of the track.
    Place placeOfBeat(long beat) const;

private:
    std::vector<Span> spans_;
};
