#pragma once

// Frames nobody sees (the render tool's before --start, the player's while its window is minimized) are
// played for the state they hand on, not for their pixels: the scenes run as ever and GL takes every state
// change, but geometry submits nothing (DrawPath's state-only draws) and an empty scissor box keeps what
// scenes draw themselves, and their clears, off the frame buffer.
class UnseenFrames {
public:
    UnseenFrames() = default;
    UnseenFrames(const UnseenFrames&) = delete;
    UnseenFrames& operator=(const UnseenFrames&) = delete;
    // Leaves GL alone: the context may be gone by then.
    ~UnseenFrames();

    // On for each frame nobody sees, off from the first one seen again; GL must be current.
    void set(bool on);
    bool on() const { return active; }

private:
    bool active = false;
    int scissorBox[4] = {};
};
