#include "effects/SceneCatalog.h"

#include "sequence/AbstractSceneObject.h"

#include "effects/scenes/RainBallScene.h"
#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "effects/scenes/PlasmaTunnelQuarnScene.h"
#include "effects/scenes/CylinderPlaneScene.h"
#include "effects/scenes/RecursiveBallScene.h"
#include "effects/scenes/ButterflyBallScene.h"
#include "effects/scenes/MultiBallScene.h"
#include "effects/isosurface/MetaballTunnelScene.h"
#include "effects/isosurface/PlasmaBallScene.h"
#include "effects/scenes/GreetingsScene.h"
#include "effects/scenes/EndingScene.h"

namespace {

template <typename Scene>
AbstractSceneObject* make(const float* timeValue)
{
    return new Scene(timeValue);
}

} // namespace

const std::vector<SceneRow>& showScenes()
{
    // {timeline index, constructor}, in timeline order.
    static const std::vector<SceneRow> rows = {
        {1, make<RainBallScene>},
        {2, make<MultiCylinderTunnelScene>},
        {3, make<PlasmaBallInCubeScene>},
        {4, make<PlasmaTunnelVelkScene>},
        {5, make<PlasmaTunnelQuarnScene>},
        {6, make<CylinderPlaneScene>},
        {7, make<RecursiveBallScene>},
        {8, make<ButterflyBallScene>},
        {9, make<MultiBallScene>},
        {10, make<MetaballTunnelScene>},
        {11, make<PlasmaBallScene>},
        {12, make<GreetingsScene>},
        {13, make<EndingScene>},
    };
    return rows;
}
