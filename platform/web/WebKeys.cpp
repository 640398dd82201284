#include "platform/web/WebKeys.h"

namespace {

constexpr unsigned long kBrowserAlt = 18;

} // namespace

int WebKeys::virtualKeyCode(unsigned long browserKeyCode)
{
    const bool letter = browserKeyCode >= 'A' && browserKeyCode <= 'Z';
    const bool digit = browserKeyCode >= '0' && browserKeyCode <= '9';
    const bool function = browserKeyCode >= KeyCode::kF1 && browserKeyCode <= KeyCode::kF12;
    const bool named = browserKeyCode == KeyCode::kEnter || browserKeyCode == KeyCode::kAlt ||
                       browserKeyCode == KeyCode::kEscape || browserKeyCode == KeyCode::kSpace;
    return letter || digit || function || named ? static_cast<int>(browserKeyCode) : 0;
}

bool WebKeys::message(unsigned long browserKeyCode, bool down, bool repeat, bool altHeld, WindowMessage& message)
{
    const int code = virtualKeyCode(browserKeyCode);
    if (code == 0 || repeat) {
        return false;
    }
    message = WindowMessage{};
    // Keys pressed with Alt held, and Alt itself, arrive as system keys.
    const bool system = altHeld || browserKeyCode == kBrowserAlt;
    message.type = system ? (down ? WindowMessage::Type::SystemKeyDown : WindowMessage::Type::SystemKeyUp)
                          : (down ? WindowMessage::Type::KeyDown : WindowMessage::Type::KeyUp);
    message.key = code;
    return true;
}
