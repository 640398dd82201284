#pragma once

#include <memory>

class MeshObject;

// A white 5 × 5 plane one unit in front of the eye that covers the whole view. Blended over the picture
// with its vertex alpha, it fades the picture to or from white.
class FadeQuad {
public:
    FadeQuad();
    ~FadeQuad();
    FadeQuad(const FadeQuad&) = delete;
    FadeQuad& operator=(const FadeQuad&) = delete;

    // Writes the alpha of every vertex colour.
    void setAlpha(float alpha);
    // Sets the alpha and blends the quad over the picture. Leaves blending off and the identity as the
    // modelview matrix; lighting is the caller's business.
    void draw(float alpha);

    MeshObject& getMesh() { return *quad; }

private:
    std::unique_ptr<MeshObject> quad;
};
