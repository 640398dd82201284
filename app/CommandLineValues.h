#pragma once

// The values the programs' options take, read strictly: the whole text, nothing after it.
namespace command_line {

// A whole number from 1 to 1000000.
bool parseCount(const char* text, int* value);
// Finite, non-negative seconds.
bool parseSeconds(const char* text, double* value);
// WxH, each side a count.
bool parseSize(const char* text, int* width, int* height);

} // namespace command_line
