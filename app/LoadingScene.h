#pragma once

#include "app/TimelineEntry.h"
#include "effects/SceneCatalog.h"
#include "sequence/AbstractSceneObject.h"

#include <memory>
#include <vector>

class AppWindow;
class MeshObject;

// The first scene and the owner of the timeline. Its constructor opens the soundtrack, loads the shared
// textures and constructs every scene; its render draws the progress bar and loads one scene per frame,
// then starts the music.
class LoadingScene : public AbstractSceneObject {
public:
    static constexpr int kProgressBarCount = 13;

    LoadingScene(AppWindow* app, const float* timeValue);
    LoadingScene(AppWindow* app, const float* timeValue, const std::vector<SceneRow>& scenes);
    ~LoadingScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // Passes to the next entry once the music has reached the current one's end; at most one per call.
    bool advance();

    AppWindow* app;
    std::uint32_t currentIndex = 0;
    std::vector<TimelineEntry> timeline;
    MeshObject* progressBars[kProgressBarCount] = {};
    bool loaded = false;
    std::vector<const char*> keywords;

private:
    void loadNextScene();
    void startMusic();

    std::vector<std::unique_ptr<AbstractSceneObject>> scenes;
};
