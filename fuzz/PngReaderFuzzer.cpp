// libFuzzer target: readPng must refuse or decode any byte string without crashing, reading out of
// bounds or leaking.
#include "sequence/PngReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratchPath()
{
    static const std::string path = "/tmp/quessaly-fuzz-" + std::to_string(getpid()) + ".png";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    int width = 0, height = 0, channels = 0, decoded = 0;
    unsigned char* pixels = readPng(scratchPath().c_str(), width, height, channels, &decoded);
    if (pixels != nullptr) {
        // Touch the last byte: the buffer must hold every row it claims.
        volatile unsigned char last = pixels[static_cast<std::size_t>(width) * height * decoded - 1];
        (void)last;
        std::free(pixels);
    }
    return 0;
}
