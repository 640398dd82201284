#pragma once

#include <string>

// Draws every texture the demo loads and writes them as RGBA PNG files.
class TextureMaker {
public:
    // Writes the 23 textures into `directory`; false with a reason in `error` when a file cannot be written.
    bool writeAll(const std::string& directory, std::string* error);
    // Writes the program's icon, the spike ball at 256 x 256, for desktop menus.
    bool writeIcon(const std::string& path, std::string* error);
};
