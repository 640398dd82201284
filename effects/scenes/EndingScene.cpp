#include "effects/scenes/EndingScene.h"

#include "app/QuitRequest.h"
#include "effects/sync/EndingSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "sequence/TextureTable.h"

#include <GL/glew.h>

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
    glLoadIdentity();
    glEnable(GL_CULL_FACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

float EndingScene::fadeAlpha(float t)
{
    const float alpha = 1.0f - (t - kEndingFadeStart) * kEndingFadeRate;
    return alpha < 0.0f ? 0.0f : alpha;
}

void EndingScene::render()
{
    const float t = *timeValue;
    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    glTranslatef(position[0], position[1], position[2]);
    glRotatef(rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(rotation[2], 0.0f, 0.0f, 1.0f);
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
    glPopMatrix();
}

void EndingScene::stop()
{
    std::printf("Posting quit message...\n");
    postQuitMessage();
}

void EndingScene::keyPressed(int key)
{
    if (key == 32) {
        fading = true;
    }
}
