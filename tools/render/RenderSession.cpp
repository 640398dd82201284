#include "tools/render/RenderSession.h"

#include "app/AppWindow.h"
#include "app/AssetFolder.h"
#include "app/DemoShell.h"
#include "app/LoadingScene.h"
#include "app/UnseenFrames.h"
#include "effects/sync/EndingSync.h"
#include "effects/sync/Timeline.h"
#include "geometry/DrawCounter.h"
#include "geometry/DrawPath.h"
#include "gl/GL.h"
#include "platform/SdlDialogs.h"
#include "platform/SdlEvents.h"
#include "platform/SdlWindow.h"
#include "tools/shared/PartialFile.h"
#include "tools/shared/PngWriter.h"
#include "tools/render/ContactSheet.h"
#include "app/FixedClock.h"
#include "tools/render/FrameReader.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/VideoEncoder.h"

#include <SDL2/SDL.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSoundtrack = "Quessaly.mp3";

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

std::string keywordOf(const char* keyword)
{
    std::string text = keyword;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string framePath(const std::string& directory, long index)
{
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", index);
    return directory + name;
}

// What is known of a frame when it is drawn, kept until its pixels come back.
struct FrameInfo {
    bool timed = false;
    double time = 0.0;
    long index = 0;      // in the stretch from --start
    bool wanted = false; // in the stretch and accepted by the filter
};

} // namespace

RenderSession::RenderSession(const RenderOptions& options) : RenderSession(options, showScenes()) {}

RenderSession::RenderSession(const RenderOptions& options, std::vector<SceneRow> scenes)
    : options(options), scenes(std::move(scenes))
{
}

bool RenderSession::checkDestinations(const RenderOptions& options, std::string* ffmpeg, std::string* error)
{
    const auto fail = [error](const std::string& reason) {
        *error = reason;
        return false;
    };
    if (!options.video.empty()) {
        *ffmpeg = VideoEncoder::findExecutable("ffmpeg");
        if (ffmpeg->empty()) {
            return fail("ffmpeg not found on PATH: it is needed for --video (Debian package ffmpeg)");
        }
    }
    if (!options.framesDirectory.empty() && mkdir(options.framesDirectory.c_str(), 0755) != 0 && errno != EEXIST) {
        return fail("cannot create " + options.framesDirectory + ": " + std::strerror(errno));
    }
    // Every destination is tried before the first frame: a bad path must not cost a whole render.
    std::string unwritable;
    if (!options.framesDirectory.empty() && !PartialFile(framePath(options.framesDirectory, 0)).probe(&unwritable)) {
        return fail(unwritable);
    }
    for (const std::string* path : {&options.sheet, &options.video}) {
        if (!path->empty() && !PartialFile(*path).probe(&unwritable)) {
            return fail(unwritable);
        }
    }
    return true;
}

std::string RenderSession::soundtrackPath()
{
    const std::string path = AssetFolder::path(kSoundtrack);
    return access(path.c_str(), R_OK) == 0 ? path : "";
}

std::vector<VideoChapter> RenderSession::chapters(const std::vector<SceneRow>& scenes, int fps, double first,
                                                  double end)
{
    // The last frame is shown for one frame's time.
    const double last = (end >= 0.0 ? std::min<double>(end, kEndingQuitTime) : kEndingQuitTime) + 1.0 / fps;
    std::vector<VideoChapter> list;
    for (const SceneRow& row : scenes) {
        const TimelineTime& time = kTimeline[row.timelineIndex];
        const long long startMs = std::llround((std::max<double>(time.start, first) - first) * 1000.0);
        const long long endMs = std::llround((std::min<double>(time.end, last) - first) * 1000.0);
        if (endMs > startMs) {
            list.push_back({keywordOf(time.keyword), startMs, endMs});
        }
    }
    return list;
}

int RenderSession::run(std::string* error)
{
    const auto fail = [error](const std::string& reason) {
        *error = reason;
        return 1;
    };

    std::string ffmpeg;
    if (!checkDestinations(options, &ffmpeg, error)) {
        return 1;
    }

    // Headless whatever the machine has: no display, no sound card.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    SdlWindow window;
    SdlEvents events(window);
    SdlDialogs dialogs(window);
    DrawPath::select(options.drawPath);
    gl::select(options.glBackend, options.linesAsOnES);
    FixedClock clock(options.fps);
    std::unique_ptr<FrameReader> reader;
    std::vector<std::uint8_t> pixels;
    FrameInfo drawing;           // the frame being drawn now
    FrameInfo waiting;           // the frame whose pixels the reader hands back next
    bool haveWaiting = false;
    std::vector<std::pair<FrameInfo, std::vector<std::uint8_t>>> ready;

    DemoShell shell({window, events, dialogs}, &clock, options.width, options.height, scenes);
    shell.setBeforeSwap([&] {
        if (!reader) {
            // A window's swap waits for the frame; an offscreen one does not, and the driver would queue frames
            // without bound and bill their drawing to whichever frame it happens to stall.
            if (!drawing.timed || drawing.wanted) {
                gl::finish();
            }
            return;
        }
        if (!drawing.wanted) {
            return;
        }
        if (reader->queue(pixels) && haveWaiting) {
            ready.emplace_back(waiting, pixels);
        }
        waiting = drawing;
        haveWaiting = true;
    });
    shell.preferWindowed();
    shell.app()->onlyContext = options.context;
    if (options.glDebug) {
        shell.reportGLErrors();
    }
    if (!shell.startUp()) {
        return fail("cannot open an offscreen GL context: " + window.lastError());
    }
    // Frames nobody takes are not read back: a --stats run times what the player does, not a copy it never makes.
    const bool framesTaken = !options.video.empty() || !options.framesDirectory.empty() || !options.sheet.empty() ||
                             frameSink != nullptr;
    if (framesTaken) {
        reader = std::make_unique<FrameReader>(options.width, options.height);
    }

    VideoEncoder video;
    ContactSheet sheet(options.width, options.height);
    LoadingScene& loader = *shell.loader();
    for (std::size_t i = 1; i < loader.timeline.size(); ++i) {
        const double end = std::min<double>(loader.timeline[i].end, kEndingQuitTime);
        sheet.addScene(keywordOf(loader.keywords[i]), loader.timeline[i].start, end);
    }

    const double lastTime = options.end >= 0.0 ? options.end : kEndingQuitTime;
    ProgressBar progress(static_cast<long>(std::ceil(lastTime * options.fps)) + 1, !options.quiet);
    const double hardStop = kTimeline[kTimelineLength - 1].end;

    std::string failure;
    const std::string soundtrack = soundtrackPath();
    const auto deliver = [&](const FrameInfo& info, const std::vector<std::uint8_t>& frame) {
        if (!options.video.empty()) {
            if (written == 0 &&
                !video.open(ffmpeg, options.video, options.width, options.height, options.fps, soundtrack.c_str(),
                            info.time, chapters(scenes, options.fps, info.time, options.end), &failure)) {
                return false;
            }
            if (!video.write(frame, &failure)) {
                return false;
            }
        }
        if (!options.framesDirectory.empty()) {
            std::vector<std::uint8_t> topDown(frame.size());
            const std::size_t rowBytes = static_cast<std::size_t>(options.width) * 4;
            for (int y = 0; y < options.height; ++y) {
                std::memcpy(&topDown[y * rowBytes], &frame[(options.height - 1 - y) * rowBytes], rowBytes);
            }
            if (!PngWriter::write(framePath(options.framesDirectory, info.index), options.width, options.height, topDown,
                                  &failure)) {
                return false;
            }
        }
        if (!options.sheet.empty()) {
            sheet.offer(info.time, frame);
        }
        if (frameSink && !frameSink(info.time, frame, &failure)) {
            return false;
        }
        ++written;
        return true;
    };

    long stretchFrame = 0;
    bool running = true;
    bool endedByItself = false;
    UnseenFrames leadIn; // the frames before --start
    while (running) {
        drawing = FrameInfo{};
        const FixedClock::Step step = clock.step(options.start, options.end);
        if (step.pastEnd) {
            break;
        }
        if (step.time > hardStop) {
            return fail("the show did not end by itself");
        }
        drawing.timed = step.timed;
        drawing.time = step.time;
        if (step.seen) {
            drawing.index = stretchFrame++;
            drawing.wanted = !frameFilter || frameFilter(drawing.index);
        }
        const bool leadingIn = drawing.timed && !drawing.wanted;
        leadIn.set(leadingIn);
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = threadCpuSeconds();
        running = shell.runFrame();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        const std::string scene = keywordOf(loader.keywords[loader.currentIndex]);
        const DrawCounter::Totals traffic = DrawCounter::take();
        // Frames before the start draw nothing: their times would only dilute the scenes' figures.
        if (!leadingIn) {
            stats.add(scene, wall, threadCpuSeconds() - cpuStart, traffic.draws, traffic.bytes);
        }
        ++rendered;
        endedByItself = !running;
        for (const auto& [info, frame] : ready) {
            if (!deliver(info, frame)) {
                shell.shutDown();
                return fail(failure);
            }
        }
        ready.clear();
        progress.update(clock.framesStepped(), scene);
        if (progressSink) {
            progressSink(scene);
        }
    }
    if (haveWaiting && reader && reader->flush(pixels) && !deliver(waiting, pixels)) {
        shell.shutDown();
        return fail(failure);
    }
    progress.finish();
    if (reader) {
        reader->release();
    }
    shell.shutDown();

    if (!options.video.empty()) {
        if (written == 0) {
            return fail("no frame fell between --start and --end: no video written");
        }
        if (!video.close(&failure)) {
            return fail(failure);
        }
    }
    if (!options.sheet.empty()) {
        const bool saved = options.sheetAsSlots ? sheet.saveSlots(options.sheet, &failure)
                                                : sheet.write(options.sheet, ContactSheet::kLabelFont, &failure);
        if (!saved) {
            return fail(failure);
        }
    }
    if (options.stats) {
        std::printf("loading: %.3f s, from the loader's construction to the start of the music\n", shell.loadingSeconds);
        stats.print(stdout);
    }
    if (shell.glErrors() > 0) {
        return fail(std::to_string(shell.glErrors()) + " GL errors (each distinct one printed above)");
    }
    if (!endedByItself && options.end < 0.0) {
        return fail("the show stopped before it ended");
    }
    return 0;
}
