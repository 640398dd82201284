#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGBA pictures as PNG files, byte for byte the same for the same pixels: fixed
// compression settings and no time or text chunks.
class PngWriter {
public:
    // `rgba` holds `height` rows of `width` pixels, top row first. False, with the reason in `error`,
    // when the file cannot be written.
    static bool write(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba,
                      std::string* error);
};
