#pragma once

// How geometry reaches GL, chosen for the whole process in one place.
// - Literal: every mesh is read from its client arrays at every draw, every object is its own draw, and
//   wireframes are line-mode polygons. It is the reference the other path is compared with.
// - Resident: meshes that no longer change live in buffer objects, many copies of one small mesh are
//   one draw of vertices transformed on the processor, and unculled, unblended wireframes are edge lists.
// The picture is the same either way, to the eye.
class DrawPath {
public:
    enum Kind { Literal, Resident };

    static void select(Kind kind);
    static Kind current();
    static bool isLiteral() { return current() == Literal; }
    // "literal" or "resident".
    static const char* name(Kind kind);
    // Reads a name; false when it is neither.
    static bool parse(const char* text, Kind* kind);

    // State only: every draw makes the GL state changes it would make but submits no primitives, and skips
    // the processor work that only feeds them (facing edges, batch transforms, vertex counts). For frames
    // nobody sees whose state the frames after them inherit; on either path.
    static void setStateOnly(bool stateOnly);
    static bool stateOnly();
};
