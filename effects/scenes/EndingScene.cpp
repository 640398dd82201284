#include "effects/scenes/EndingScene.h"

#include "platform/KeyCode.h"

#include "sequence/QuitRequest.h"
#include "effects/sync/EndingSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include "gl/GL.h"

#include <cstdio>

EndingScene::EndingScene(const float* timeValue) : AbstractSceneObject(timeValue) {}

EndingScene::~EndingScene() { delete spike; }

bool EndingScene::load()
{
    delete spike;
    spike = PrimitiveFactory::createPlane(1, 1, 2.0f, 2.0f);
    spike->setPosition(-1.0f, -1.0f, -5.0f);
    spike->setTexture(TextureTable::instance().findTexture("spikebal.png"));
    fading = false;
    setPosition(0.0f, 0.0f, 0.0f);
    setRotation(0.0f, 0.0f, 0.0f);
    return true;
}

void EndingScene::start()
{
    startTime = *timeValue;
    std::printf("SCENE STARTED %f\n", startTime);
    gl::loadIdentity();
    gl::enable(GL_CULL_FACE);
    gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl::enable(GL_BLEND);
    gl::disable(GL_LIGHTING);
    gl::disable(GL_LIGHT0);
    gl::polygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl::enable(GL_TEXTURE_2D);
    gl::disable(GL_COLOR_MATERIAL);
    gl::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::color4f(1.0f, 1.0f, 1.0f, 1.0f);
}

float EndingScene::fadeAlpha(float t)
{
    const float alpha = 1.0f - (t - kEndingFadeStart) * kEndingFadeRate;
    return alpha < 0.0f ? 0.0f : alpha;
}

void EndingScene::render()
{
    const float t = *timeValue;
    gl::clear(GL_COLOR_BUFFER_BIT);
    gl::pushMatrix();
    gl::translatef(position[0], position[1], position[2]);
    gl::rotatef(rotation[0], 1.0f, 0.0f, 0.0f);
    gl::rotatef(rotation[1], 0.0f, 1.0f, 0.0f);
    gl::rotatef(rotation[2], 0.0f, 0.0f, 1.0f);
    if (t >= kEndingFadeStart) {
        fading = true;
    }
    if (fading) {
        const float alpha = fadeAlpha(t);
        float* colors = spike->getColors();
        for (int i = 0; i < spike->getColorCount(); ++i) {
            colors[i * 4 + 3] = alpha;
        }
    }
    spike->draw();
    if (t >= kEndingQuitTime) {
        stop();
    }
    gl::popMatrix();
}

void EndingScene::stop()
{
    std::printf("Posting quit message...\n");
    postQuitMessage();
}

void EndingScene::keyPressed(int key)
{
    if (key == KeyCode::kSpace) {
        fading = true;
    }
}
