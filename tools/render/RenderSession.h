#pragma once

#include "effects/SceneCatalog.h"
#include "tools/render/FrameStatistics.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/VideoEncoder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Plays the show on a fixed-timestep clock and sends its frames to the outputs the options ask for.
// Loading runs as in the demo; frame n after it shows music time n / fps.
class RenderSession {
public:
    explicit RenderSession(const RenderOptions& options);
    RenderSession(const RenderOptions& options, std::vector<SceneRow> scenes);

    // Exit status: 0 when the show ended by itself or reached --end; otherwise 1 with the reason in `error`.
    int run(std::string* error);

    // Also hands every written frame to `sink`: its music time and its RGBA pixels, bottom row first.
    // A sink that returns false stops the run with the reason it gives.
    using FrameSink = std::function<bool(double time, const std::vector<std::uint8_t>& rgba, std::string* error)>;
    void setFrameSink(FrameSink sink) { frameSink = std::move(sink); }

    // Draws only the frames of the stretch it accepts (index 0: the first frame at or after --start) and plays
    // the others as the frames before --start are played: for a run in parts, each drawing its own.
    using FrameFilter = std::function<bool(long index)>;
    void setFrameFilter(FrameFilter filter) { frameFilter = std::move(filter); }
    // Told the scene of every frame played, for a progress display of its own.
    using ProgressSink = std::function<void(const std::string& scene)>;
    void setProgressSink(ProgressSink sink) { progressSink = std::move(sink); }

    // Tries every destination the options name, so a bad path costs no rendering; finds ffmpeg for --video.
    static bool checkDestinations(const RenderOptions& options, std::string* ffmpeg, std::string* error);
    // The soundtrack a video is laid on, or empty when there is none to read.
    static std::string soundtrackPath();
    // The chapters of a video at `fps` whose first frame shows music time `first` and whose last shows `end`
    // (negative: where the show quits): each scene that plays in it, named by its keyword, from its start time or
    // from the video's start if it began before, to its end or the video's, in milliseconds from the first frame.
    static std::vector<VideoChapter> chapters(const std::vector<SceneRow>& scenes, int fps, double first, double end);

    const FrameStatistics& statistics() const { return stats; }
    long framesWritten() const { return written; }
    long framesRendered() const { return rendered; }

private:
    RenderOptions options;
    std::vector<SceneRow> scenes;
    FrameStatistics stats;
    FrameSink frameSink;
    FrameFilter frameFilter;
    ProgressSink progressSink;
    long written = 0;
    long rendered = 0;
};
