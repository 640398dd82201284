#pragma once

#include "platform/PlatformEvents.h"

// The browser's key events as window messages. A browser's key codes are the Windows virtual-key codes for
// every key the show reads (letters, digits, F1 to F12, Enter, Alt, Escape, Space).
namespace WebKeys {

// The key code of a browser key code, or 0 for a key the show does not read.
int virtualKeyCode(unsigned long browserKeyCode);
// The message of a key event; false for a key the show does not read and for a held key's repeats,
// which would only queue up in front of the next press.
bool message(unsigned long browserKeyCode, bool down, bool repeat, bool altHeld, WindowMessage& message);

} // namespace WebKeys
