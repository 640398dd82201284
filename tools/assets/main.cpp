#include "tools/assets/SoundtrackMaker.h"
#include "tools/assets/TextureMaker.h"

#include <cstdio>
#include <string>

// quessaly-assets DIR: writes every texture and the soundtrack into DIR, the same bytes every run.
// quessaly-assets --icon FILE: writes the desktop icon.
int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--icon") {
        std::string error;
        if (!TextureMaker().writeIcon(argv[2], &error)) {
            std::fprintf(stderr, "quessaly-assets: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: quessaly-assets DIR | --icon FILE\n");
        return 2;
    }
    const std::string directory = argv[1];
    std::string error;
    if (!TextureMaker().writeAll(directory, &error)) {
        std::fprintf(stderr, "quessaly-assets: %s\n", error.c_str());
        return 1;
    }
    if (!SoundtrackMaker().write(directory + "/Quessaly.mp3", &error)) {
        std::fprintf(stderr, "quessaly-assets: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
