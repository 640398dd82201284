#include "platform/web/WebEvents.h"

#include "platform/web/WebWindow.h"

#include <emscripten/html5.h>

namespace {

constexpr unsigned long kBrowserAlt = 18;

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

int WebEvents::virtualKeyCode(unsigned long browserKeyCode)
{
    const bool letter = browserKeyCode >= 'A' && browserKeyCode <= 'Z';
    const bool digit = browserKeyCode >= '0' && browserKeyCode <= '9';
    const bool function = browserKeyCode >= KeyCode::kF1 && browserKeyCode <= KeyCode::kF12;
    const bool named = browserKeyCode == KeyCode::kEnter || browserKeyCode == KeyCode::kAlt ||
                       browserKeyCode == KeyCode::kEscape || browserKeyCode == KeyCode::kSpace;
    return letter || digit || function || named ? static_cast<int>(browserKeyCode) : 0;
}

bool WebEvents::keyEvent(unsigned long browserKeyCode, bool down, bool repeat, bool altHeld)
{
    const int code = virtualKeyCode(browserKeyCode);
    if (code == 0) {
        return false;
    }
    // A held key's repeats change nothing and would only queue up in front of the next press.
    if (repeat) {
        return true;
    }
    WindowMessage message;
    // Keys pressed with Alt held, and Alt itself, arrive as system keys.
    const bool system = altHeld || browserKeyCode == kBrowserAlt;
    message.type = system ? (down ? WindowMessage::Type::SystemKeyDown : WindowMessage::Type::SystemKeyUp)
                          : (down ? WindowMessage::Type::KeyDown : WindowMessage::Type::KeyUp);
    message.key = code;
    queue.push_back(message);
    return true;
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
