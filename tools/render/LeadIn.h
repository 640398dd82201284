#pragma once

// The frames before --start are played for the state they hand on, not for their pixels: the scenes run
// as ever and GL takes every state change, but geometry submits nothing (DrawPath's state-only draws) and
// an empty scissor box keeps what scenes draw themselves, and their clears, off the frame buffer.
class LeadIn {
public:
    LeadIn() = default;
    LeadIn(const LeadIn&) = delete;
    LeadIn& operator=(const LeadIn&) = delete;
    // Leaves GL alone: the context may be gone by then.
    ~LeadIn();

    // On for each frame before the start, off from the first frame that is kept; GL must be current.
    void set(bool on);

private:
    bool active = false;
    int scissorBox[4] = {};
};
