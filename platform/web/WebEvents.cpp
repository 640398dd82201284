#include "platform/web/WebEvents.h"

#include "platform/web/WebKeys.h"
#include "platform/web/WebWindow.h"

#include <emscripten/html5.h>

namespace {

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void* userData)
{
    auto* events = static_cast<WebEvents*>(userData);
    const bool taken = events->keyEvent(event->keyCode, eventType == EMSCRIPTEN_EVENT_KEYDOWN, event->repeat != 0,
                                        event->altKey != 0);
    // Keys the show reads stay with it (Space would scroll, F1 open help); the rest go on to the browser.
    return taken ? EM_TRUE : EM_FALSE;
}

} // namespace

WebEvents::WebEvents(const WebWindow& window) : window(window)
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_FALSE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_FALSE, onKey);
    window.canvasSize(&lastWidth, &lastHeight);
}

WebEvents::~WebEvents()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
}

bool WebEvents::keyEvent(unsigned long browserKeyCode, bool down, bool repeat, bool altHeld)
{
    WindowMessage message;
    if (WebKeys::message(browserKeyCode, down, repeat, altHeld, message)) {
        queue.push_back(message);
    }
    return WebKeys::virtualKeyCode(browserKeyCode) != 0;
}

bool WebEvents::takeMessage(WindowMessage& message)
{
    // The page resizes the canvas itself (letterboxed, in device pixels); the viewport follows.
    int width = 0;
    int height = 0;
    window.canvasSize(&width, &height);
    if (width > 0 && height > 0 && (width != lastWidth || height != lastHeight)) {
        lastWidth = width;
        lastHeight = height;
        message = WindowMessage{};
        message.type = WindowMessage::Type::Size;
        message.width = width;
        message.height = height;
        return true;
    }
    if (queue.empty()) {
        return false;
    }
    message = queue.front();
    queue.pop_front();
    return true;
}

void WebEvents::postQuitMessage()
{
    WindowMessage message;
    message.type = WindowMessage::Type::Quit;
    queue.push_back(message);
}
