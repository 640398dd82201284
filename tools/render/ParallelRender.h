#pragma once

#include "tools/render/RenderOptions.h"

#include <string>
#include <sys/types.h>
#include <vector>

// Renders the requested stretch in several worker processes and joins what they make into exactly what one
// process makes: the same frames under the same numbers, one video with the soundtrack laid once, one contact
// sheet. The stretch is cut into chunks of a few seconds. Every worker plays the show from its start, as a
// single run does; whenever it has drawn a chunk it takes the next one nobody has taken, and plays the chunks
// others took as the frames before --start are played, unseen. So each frame is drawn from the state a single
// run reaches, and a costly stretch never leaves a core idle while one worker finishes it.
class ParallelRender {
public:
    static constexpr int kChunkSeconds = 4;
    // Memory one worker may take: the show peaks near 500 MB.
    static constexpr long long kWorkerBytes = 600LL << 20;

    ParallelRender(const RenderOptions& options, int jobs);

    // As RenderSession::run: 0 when every worker ended as a single run would; otherwise 1, with the reason,
    // and nothing half made left behind.
    int run(std::string* error);

    // One job a processor, as far as memory allows, and no more jobs than chunks.
    static int defaultJobs(const RenderOptions& options);
    // Frames in the stretch; to the show's own end when no --end is given.
    static long stretchFrames(const RenderOptions& options);

private:
    struct Board;

    // The work of worker `job` in its own process; returns its exit status.
    int work(int job);
    bool join(std::string* error);
    // Stops every worker still running and removes what any of them left.
    void abandon();
    std::string chunkVideoPath(long chunk) const;
    std::string workerPath(const char* what, int job) const;

    RenderOptions options;
    int jobs;
    std::string ffmpeg;
    std::string scratch; // a hidden folder for the workers' parts
    Board* board = nullptr;
    std::vector<pid_t> workers;
    std::vector<bool> finished;
};
