#include "app/LoadingScene.h"

#include "app/AppWindow.h"
#include "app/AssetFolder.h"
#include "app/MusicStream.h"
#include "effects/sync/Timeline.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <cstdio>

namespace {

constexpr const char* kSoundtrack = "Quessaly.mp3";
constexpr int kTextureNames = 30;

struct SharedTexture {
    const char* fileName;
    GLint filter;
};

// Loaded in this order, so their GL names follow it.
constexpr SharedTexture kSharedTextures[] = {
    {"orq.png", GL_LINEAR},      {"particle.png", GL_LINEAR}, {"spikebal.png", GL_LINEAR},
    {"background.png", GL_NEAREST}, {"chrome.png", GL_NEAREST}, {"youre.png", GL_LINEAR},
    {"on.png", GL_LINEAR},       {"the.png", GL_LINEAR},      {"zarn.png", GL_LINEAR},
    {"of.png", GL_LINEAR},       {"vusk.png", GL_LINEAR},     {"insanity.png", GL_LINEAR},
    {"spheremap.png", GL_LINEAR},
};

} // namespace

LoadingScene::LoadingScene(AppWindow* app, const float* timeValue) : LoadingScene(app, timeValue, showScenes()) {}

LoadingScene::LoadingScene(AppWindow* app, const float* timeValue, const std::vector<SceneRow>& sceneRows)
    : AbstractSceneObject(timeValue), app(app)
{
    app->loadedSceneCount = 0;

    MusicStream& music = MusicStream::instance();
    if (music.device != nullptr) {
        music.device->init(44100);
        if (music.device->version() >> 16 == 0x0204) {
            const AudioDevice::Stream stream = music.device->createStream(AssetFolder::path(kSoundtrack).c_str());
            if (stream != 0) {
                music.stream = stream;
            }
        }
    }

    gl::enable(GL_TEXTURE_2D);
    TextureTable& textures = TextureTable::instance();
    textures.reserveNames(kTextureNames);
    for (const SharedTexture& texture : kSharedTextures) {
        textures.loadTexture(texture.fileName, texture.filter, texture.filter);
    }

    timeline.push_back({this, kTimeline[0].start, kTimeline[0].end});
    keywords.push_back(kTimeline[0].keyword);
    for (const SceneRow& row : sceneRows) {
        AbstractSceneObject* scene = row.create(timeValue);
        scenes.emplace_back(scene);
        const TimelineTime& time = kTimeline[row.timelineIndex];
        timeline.push_back({scene, time.start, time.end});
        keywords.push_back(time.keyword);
    }
}

// The loader owns the scenes it built: the shell destroys it at shut-down, and the scenes with it.
LoadingScene::~LoadingScene()
{
    for (MeshObject* bar : progressBars) {
        delete bar;
    }
}

bool LoadingScene::load() { return true; }

void LoadingScene::start()
{
    gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (int i = 0; i < kProgressBarCount; ++i) {
        delete progressBars[i];
        progressBars[i] = PrimitiveFactory::createPlane(1, 1, 1.0f, 0.5f);
        progressBars[i]->setPosition(static_cast<float>(i - 7), 0.0f, 0.0f);
    }
}

void LoadingScene::render()
{
    gl::pushMatrix();
    gl::clear(GL_COLOR_BUFFER_BIT);
    gl::translatef(0.0f, 0.0f, -10.0f);
    for (std::uint32_t i = 0; i < app->loadedSceneCount && i < kProgressBarCount; ++i) {
        if (progressBars[i] != nullptr) {
            progressBars[i]->draw();
        }
    }
    gl::popMatrix();

    if (app->loadedSceneCount < timeline.size() - 1) {
        loadNextScene();
    } else {
        loaded = true;
        startMusic();
    }
}

void LoadingScene::stop() {}

// Space skips the rest of the wait but not the loading: a scene must be loaded before it starts.
void LoadingScene::keyPressed(int key)
{
    if (key != 32) {
        return;
    }
    while (app->loadedSceneCount < timeline.size() - 1) {
        loadNextScene();
    }
    loaded = true;
    startMusic();
}

void LoadingScene::loadNextScene()
{
    ++app->loadedSceneCount;
    timeline[app->loadedSceneCount].scene->load();
}

void LoadingScene::startMusic()
{
    MusicStream& music = MusicStream::instance();
    if (music.device != nullptr) {
        music.device->play(music.stream, false);
    }
}

// The last entry stays current for good: the show ends by its own quit request, not by the timeline.
bool LoadingScene::advance()
{
    if (currentIndex + 1 >= timeline.size() || *timeValue < timeline[currentIndex].end) {
        return false;
    }
    timeline[currentIndex].scene->stop();
    ++currentIndex;
    timeline[currentIndex].scene->start();
    std::printf("%s", keywords[currentIndex]);
    return true;
}
