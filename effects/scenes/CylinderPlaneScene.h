#pragma once

#include "sequence/AbstractSceneObject.h"

#include <array>
#include <memory>

class InstanceBatch;
class MeshObject;

// A low flight over an endless field of short pegs, one above and one below eye height in each cell
// of a 41 × 41 grid. Every slam snaps all pegs shut and lets them spring open in 0.3 s; marked pegs
// turn red and stay shut. The grid jumps back one row whenever the flight has covered one unit.
class CylinderPlaneScene : public AbstractSceneObject {
public:
    static constexpr int kGridSize = 41;
    static constexpr int kCellCount = kGridSize * kGridSize;
    static constexpr float kOpenHeight = 1.3f;
    static constexpr float kShutHeight = 1.0f;
    static constexpr float kFlightSpeed = 12.0f; // units per second

    struct Peg {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        MeshObject* mesh = nullptr; // owned by the scene
    };

    explicit CylinderPlaneScene(const float* timeValue);
    ~CylinderPlaneScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;
    unsigned getPolygonCount() override;

    void slam();
    void markRandomPegs();
    // This frame's peg heights and the grid's scrolling, from the time value; no drawing.
    void updatePegs();

    // Cells are numbered 41·row + column.
    const Peg& upperPeg(int cell) const { return upperPegs.at(static_cast<std::size_t>(cell)); }
    const Peg& lowerPeg(int cell) const { return lowerPegs.at(static_cast<std::size_t>(cell)); }
    bool isUpperHeld(int cell) const { return upperHeld.at(static_cast<std::size_t>(cell)) != 0; }
    bool isLowerHeld(int cell) const { return lowerHeld.at(static_cast<std::size_t>(cell)) != 0; }
    float getScrolled() const { return scrolled; }
    float getSlamTime() const { return slamTime; }

private:
    void scrollOneRow();
    void drawPegs();

    std::array<Peg, kCellCount> upperPegs{};
    std::array<Peg, kCellCount> lowerPegs{};
    std::array<int, kCellCount> upperHeld{};
    std::array<int, kCellCount> lowerHeld{};
    std::unique_ptr<InstanceBatch> pegBatch;
    float slamTime = 0.0f;
    float scrolled = 0.0f;
};
