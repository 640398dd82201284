#pragma once

#include "sequence/AbstractSceneObject.h"

#include <vector>

class MeshObject;

// A small plasma ball floating just in front of the eye while a cube of six plasma walls turns around
// it. The music flickers an inverted wireframe over the ball, makes its pattern finer, stretches its
// time and flashes the screen once.
class PlasmaBallInCubeScene : public AbstractSceneObject {
public:
    static constexpr int kFaceCount = 6;

    explicit PlasmaBallInCubeScene(const float* timeValue);
    ~PlasmaBallInCubeScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    // Space starts the wireframe overlay, as the overlay events do.
    void keyPressed(int key) override;

    // The per-frame work on the processor, without GL. advance does a whole frame's share of it at the
    // current time value, in order: the due event, the walls, the ball and the time stretch; render calls
    // it before drawing.
    void advance();
    // Recolours all six walls for the pattern at phase u (10 units a second of scene time).
    void updateWallColors(float phase);
    // Pushes every ball vertex out along its rest direction and colours it, for music time t.
    void displaceBall(float t);
    // The overlay's colours: the ball's own inverted, with the given alpha.
    void invertBallColors(float alpha);

    MeshObject* getBall() { return plasmaSphere; }
    MeshObject* getFace(int index) { return faces[index]; }
    float getPlasmaStep() const { return plasmaStep; }
    float getTimeDivisor() const { return timeDivisor; }
    // In firing order once load has sorted them.
    const std::vector<TimedEvent>& getEvents() const { return events; }

private:
    void applyEvent(int kind, float t);
    void drawOverlay(float t);
    void drawFlash(float t);

    MeshObject* faces[kFaceCount] = {}; // owned
    float facePhaseX = 0.0f;
    float facePhaseY = 0.0f;
    float plasmaStep = 1.0f;
    bool fadeActive = false;
    float fadeTime = 0.0f;
    MeshObject* fadeQuad = nullptr; // owned; not in the object list
    std::vector<float> sphereRestVertices;
    MeshObject* plasmaSphere = nullptr; // in the object list, which owns it
    float wireTime = 0.0f;
    bool wireActive = false;
    // Whether polygons are drawn as lines: from a flash's end until the next overlay's.
    bool linePolygons = false;
    float stretchTime = 0.0f;
    bool stretchActive = false;
    float timeDivisor = 1.0f;
};
