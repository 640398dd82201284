#include "effects/sync/ShowAccents.h"

#include "effects/sync/Timeline.h"

#include <algorithm>

namespace {

template <typename Table>
void addAll(std::vector<Accent>& accents, const Table& table, AccentKind kind)
{
    for (const auto& event : table) {
        accents.push_back({event.time, kind});
    }
}

} // namespace

std::vector<Accent> showAccents()
{
    std::vector<Accent> accents;
    for (int i = 1; i < kTimelineLength; ++i) {
        accents.push_back({kTimeline[i].start, AccentKind::SceneChange});
    }
    // Each scene adds its own tables below, with the accent its cues deserve:
    //   addAll(accents, kSomeSceneEvents, AccentKind::Hit);
    // scene tables: begin
    // scene tables: end
    std::sort(accents.begin(), accents.end(), [](const Accent& a, const Accent& b) { return a.time < b.time; });
    return accents;
}
