#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// Pipes raw RGBA frames, bottom row first, into an ffmpeg child process that writes H.264 video
// (yuv420p) with the soundtrack muxed in.
class VideoEncoder {
public:
    ~VideoEncoder();

    // The full path of an executable found on PATH, or empty.
    static std::string findExecutable(const std::string& name);

    // Starts ffmpeg; `audioOffset` is the music time of the first frame. An empty `audioPath` gives a silent video.
    bool open(const std::string& ffmpeg, const std::string& output, int width, int height, int fps,
              const std::string& audioPath, double audioOffset, std::string* error);
    bool write(const std::vector<std::uint8_t>& frame, std::string* error);
    // Ends the stream and waits for ffmpeg; false when it failed.
    bool close(std::string* error);

    // The arguments ffmpeg is started with.
    static std::vector<std::string> arguments(const std::string& output, int width, int height, int fps,
                                              const std::string& audioPath, double audioOffset);

private:
    pid_t child = -1;
    int pipe = -1;
};
