#pragma once

#include "platform/PlatformEvents.h"

#include <deque>

class WebWindow;

// The window's messages on a web page: the browser's key events turned into the messages the window
// procedure handles, and a size message whenever the page has resized the canvas. A closed tab takes the
// program with it, so there is no close message.
class WebEvents : public PlatformEvents {
public:
    explicit WebEvents(const WebWindow& window);
    ~WebEvents() override;
    WebEvents(const WebEvents&) = delete;
    WebEvents& operator=(const WebEvents&) = delete;

    bool takeMessage(WindowMessage& message) override;
    void postQuitMessage() override;
    // Returns at once: the browser's animation frames pace the loop, and a page that waited would freeze.
    void waitForMessage(int) override {}

    // Queues a key's message; false for a key the show does not read. A held key's repeats are taken and
    // dropped.
    bool keyEvent(unsigned long browserKeyCode, bool down, bool repeat, bool altHeld);

private:
    const WebWindow& window;
    std::deque<WindowMessage> queue;
    int lastWidth = 0;
    int lastHeight = 0;
};
