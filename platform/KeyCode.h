#pragma once

// The key codes of window messages, named once: the Windows virtual-key codes, in which the scenes' keys
// are given. Letters and digits are their upper-case ASCII codes ('A' … 'Z', '0' … '9').
namespace KeyCode {

inline constexpr int kEnter = 13;
inline constexpr int kAlt = 18;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kF1 = 112;
inline constexpr int kF4 = 115;
inline constexpr int kF12 = 123;

constexpr int letter(char upperCase) { return upperCase; }
constexpr int digit(int value) { return '0' + value; }
constexpr int function(int number) { return kF1 + number - 1; }

} // namespace KeyCode
