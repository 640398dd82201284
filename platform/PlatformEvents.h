#pragma once

#include "platform/KeyCode.h"

// A window message, reduced to the kinds the window procedure handles; `key` is a KeyCode.
struct WindowMessage {
    enum class Type { None, KeyDown, KeyUp, SystemKeyDown, SystemKeyUp, Close, Size, Activate, Quit };
    Type type = Type::None;
    int key = 0;
    int width = 0;
    int height = 0;
    bool minimized = false;
};

// The window's message queue.
class PlatformEvents {
public:
    virtual ~PlatformEvents() = default;

    // Takes the next message the window procedure handles, dropping every other event; false when none waits.
    virtual bool takeMessage(WindowMessage& message) = 0;
    virtual void postQuitMessage() = 0;
    // Sleeps until a message may be waiting or `milliseconds` have passed, whichever comes first: the loop of
    // a show that waits for a key keeps the processor idle here.
    virtual void waitForMessage(int milliseconds) = 0;
};
