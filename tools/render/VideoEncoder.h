#pragma once

#include "tools/shared/PartialFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// A chapter of a video: its title, and where it starts and ends in milliseconds from the video's first frame.
struct VideoChapter {
    std::string title;
    long long startMs;
    long long endMs;
};

// Pipes raw RGBA frames, bottom row first, into an ffmpeg child process that writes H.264 video
// (yuv420p) with the soundtrack muxed in and the chapters it is given. ffmpeg writes under a temporary name:
// the video takes its own name only once ffmpeg has finished without an error.
class VideoEncoder {
public:
    // An unfinished video is abandoned: ffmpeg is stopped and its file removed.
    ~VideoEncoder();

    // The full path of an executable found on PATH, or empty.
    static std::string findExecutable(const std::string& name);

    // Starts ffmpeg; `audioOffset` is the music time of the first frame. An empty `audioPath` gives a silent video.
    bool open(const std::string& ffmpeg, const std::string& output, int width, int height, int fps,
              const std::string& audioPath, double audioOffset, const std::vector<VideoChapter>& chapters,
              std::string* error);
    bool write(const std::vector<std::uint8_t>& frame, std::string* error);
    // Ends the stream, waits for ffmpeg and names the video; false when any of it failed.
    bool close(std::string* error);

    // Joins silent videos made by open() with an empty audio path, in order, into `output` with the soundtrack
    // laid once from `audioOffset`. The parts' pictures are copied, not encoded again: no frame is added, lost
    // or changed at a join. `listPath` is where ffmpeg's list of the parts is written.
    bool join(const std::string& ffmpeg, const std::vector<std::string>& parts, const std::string& listPath,
              const std::string& output, const std::string& audioPath, double audioOffset,
              const std::vector<VideoChapter>& chapters, std::string* error);

private:
    // Writes the chapters as ffmpeg's metadata file beside the video's temporary name and adds it to `args` as
    // the input numbered `input`; nothing when there are none.
    bool addChapters(const std::vector<VideoChapter>& chapters, int input, std::vector<std::string>& args,
                     std::string* error);
    bool spawn(const std::string& ffmpeg, const std::vector<std::string>& args, std::string* error);
    void removeChapters();
    void readMessages();
    // Waits for ffmpeg to end, its error output included; its wait status.
    int finish();
    // Stops ffmpeg and removes what it wrote.
    void abandon();
    // "(exit status 1): ffmpeg's first line of error output".
    std::string whyFfmpegEnded(int status) const;

    pid_t child = -1;
    int pipe = -1;
    int messages = -1;
    std::string messageText; // the start of what ffmpeg printed, for the one-line reason
    std::unique_ptr<PartialFile> destination;
    std::string chapterPath; // ffmpeg's metadata file while ffmpeg runs
};
