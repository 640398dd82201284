#pragma once

#include <string>

// Composes the soundtrack from the show's own cue tables and encodes it as an MP3 file.
class SoundtrackMaker {
public:
    // Writes the MP3 to `path`; false with a reason in `error` when it cannot.
    bool write(const std::string& path, std::string* error);
};
