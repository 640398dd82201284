#include "effects/sync/ShowAccents.h"

#include "effects/sync/Timeline.h"
#include "effects/sync/RainBallSync.h"
#include "effects/sync/MultiCylinderTunnelSync.h"
#include "effects/sync/PlasmaBallInCubeSync.h"
#include "effects/sync/PlasmaTunnelVelkSync.h"
#include "effects/sync/CylinderPlaneSync.h"
#include "effects/sync/RecursiveBallSync.h"
#include "effects/sync/MultiBallSync.h"
#include "effects/sync/MetaballTunnelSync.h"

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
    // Each scene's tables, with the accent its cues deserve.
    addAll(accents, kRainBallMoves, AccentKind::Hit);
    addAll(accents, kRainBallBursts, AccentKind::Flash);
    addAll(accents, kMultiCylinderTunnelPulses, AccentKind::Hit);
    addAll(accents, kMultiCylinderTunnelZooms, AccentKind::Hit);
    addAll(accents, kMultiCylinderTunnelFlashes, AccentKind::Flash);
    addAll(accents, kPlasmaBallInCubeFlashes, AccentKind::Flash);
    addAll(accents, kPlasmaBallInCubeWires, AccentKind::Hit);
    addAll(accents, kPlasmaBallInCubeSteps, AccentKind::Hit);
    addAll(accents, kPlasmaBallInCubeStretches, AccentKind::Hit);
    addAll(accents, kPlasmaTunnelVelkFlashes, AccentKind::Flash);
    // PlasmaTunnelQuarnScene drifts with the clock alone
    addAll(accents, kCylinderPlaneEvents, AccentKind::Hit);
    for (float time : kSphereTreeBeatTimes) {
        accents.push_back({time, AccentKind::Hit});
    }
    // ButterflyBallScene moves with the clock alone
    addAll(accents, kMultiBallEvents, AccentKind::Hit);
    addAll(accents, kMetaballTunnelPulses, AccentKind::Hit);
    addAll(accents, kMetaballTunnelKicks, AccentKind::Hit);
    addAll(accents, kMetaballTunnelFlashes, AccentKind::Flash);
    // PlasmaBallScene has no cues of its own
    // GreetingsScene and EndingScene have no cues of their own
    std::sort(accents.begin(), accents.end(), [](const Accent& a, const Accent& b) { return a.time < b.time; });
    return accents;
}
