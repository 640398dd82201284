// The show on a web page. The page (index.html) calls main in its start click, with the player's options
// taken from its address; the frames run from the browser's animation frames, one show frame each, so the
// page never freezes while the scenes load. Two options are the page's own: `--fixed-fps N` plays on a
// fixed clock (frame n at n / N s, no sound, as the render tool does) and hands every frame from --start on
// to the page's Module.onFrame, and `--end S` stops such a run after S s of music.
#include "app/AssetFolder.h"
#include "app/DemoShell.h"
#include "app/PlayerOptions.h"
#include "app/UnseenFrames.h"
#include "gl/GL.h"
#include "platform/web/WebAudioDevice.h"
#include "platform/web/WebDialogs.h"
#include "platform/web/WebEvents.h"
#include "platform/web/WebWindow.h"
#include "app/FixedClock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <emscripten/emscripten.h>

namespace {

EM_JS(void, pageEnded, (int status), {
    if (Module.onShowEnded) Module.onShowEnded(status);
});
// The show's clock as a frame read it, and the page's clock (performance.now) when it did.
EM_JS(void, pageClock, (double seconds, double pageMilliseconds), {
    if (Module.onClock) Module.onClock(seconds, pageMilliseconds);
});
// Firefox still runs a hidden page's animation frames, once a second.
EM_JS(int, pageHidden, (), { return document.hidden ? 1 : 0; });
EM_JS(void, pageFrame, (double time, const unsigned char* pixels, int width, int height), {
    if (Module.onFrame) Module.onFrame(time, HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
});

struct PageOptions {
    PlayerOptions player;
    int fixedFps = 0;
    double end = -1.0;
};

// Everything one showing holds; a new one is made to play again.
struct Showing {
    PageOptions options;
    WebWindow window;
    WebEvents events{window};
    WebDialogs dialogs;
    std::unique_ptr<AudioDevice> audio;
    FixedClock* fixedClock = nullptr;
    std::unique_ptr<DemoShell> shell;
    UnseenFrames leadIn; // a fixed-clock run's frames before --start
    double frameTime = -1.0; // the music time of the frame being drawn, when it is handed on
    std::vector<unsigned char> pixels;
};

std::unique_ptr<Showing> showing;
PageOptions lastOptions;

void endShowing(int status)
{
    emscripten_cancel_main_loop();
    if (showing->shell) {
        showing->shell->shutDown();
    }
    showing.reset();
    pageEnded(status);
}

// One show frame; false once the showing has ended.
bool showFrame()
{
    Showing& show = *showing;
    show.frameTime = -1.0;
    if (show.fixedClock != nullptr) {
        const FixedClock::Step step = show.fixedClock->step(show.options.player.start, show.options.end);
        if (step.pastEnd) {
            endShowing(0);
            return false;
        }
        show.leadIn.set(step.timed && !step.seen);
        if (step.seen) {
            show.frameTime = step.time;
        }
    }
    const double frameStart = emscripten_get_now();
    if (!show.shell->runFrame()) {
        endShowing(0);
        return false;
    }
    pageClock(show.shell->timeValue, frameStart);
    return true;
}

// A fixed-clock run plays the frames nobody sees before --start several to an animation frame.
constexpr int kLeadInFramesPerCall = 8;

void runFrame()
{
    // A page nobody sees draws nothing, as where the browser stops its frames; the music plays on.
    if (pageHidden() != 0) {
        return;
    }
    for (int i = 0; i < kLeadInFramesPerCall; ++i) {
        if (!showFrame() || !showing->leadIn.on()) {
            return;
        }
    }
}

bool startShowing(const PageOptions& options)
{
    showing = std::make_unique<Showing>();
    Showing& show = *showing;
    show.options = options;
    if (options.fixedFps > 0) {
        auto clock = std::make_unique<FixedClock>(options.fixedFps);
        show.fixedClock = clock.get();
        show.audio = std::move(clock);
    } else {
        show.audio = std::make_unique<WebAudioDevice>(options.player.mute);
    }
    int width = 0;
    int height = 0;
    show.window.canvasSize(&width, &height);
    if (width <= 0 || height <= 0) {
        width = options.player.width;
        height = options.player.height;
    }
    // A web page has no fixed-function GL: whatever --gl says, every frame is drawn through shaders.
    gl::select(gl::Backend::Shader);
    show.shell = std::make_unique<DemoShell>(Platform{show.window, show.events, show.dialogs}, show.audio.get(),
                                             width, height);
    show.shell->preferWindowed();
    // A fixed-clock run plays every frame from the start, as the render tool does; the player seeks.
    show.shell->startAt(show.fixedClock != nullptr ? 0.0 : options.player.start);
    if (show.fixedClock != nullptr) {
        show.shell->setBeforeSwap([&show] {
            if (show.frameTime < 0.0) {
                return;
            }
            int w = 0;
            int h = 0;
            show.window.canvasSize(&w, &h);
            show.pixels.resize(static_cast<std::size_t>(w) * h * 4);
            gl::readPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, show.pixels.data());
            pageFrame(show.frameTime, show.pixels.data(), w, h);
        });
    }
    if (!show.shell->startUp()) {
        showing.reset();
        return false;
    }
    emscripten_set_main_loop(runFrame, 0, 0);
    return true;
}

// Takes the page's own options out of argv; false with a reason on a bad value.
bool takePageOptions(std::vector<const char*>& arguments, PageOptions& options, std::string* error)
{
    for (std::size_t i = 1; i < arguments.size();) {
        const bool fps = std::strcmp(arguments[i], "--fixed-fps") == 0;
        const bool end = std::strcmp(arguments[i], "--end") == 0;
        if (!fps && !end) {
            ++i;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            *error = std::string(arguments[i]) + " needs a value";
            return false;
        }
        char* rest = nullptr;
        const double value = std::strtod(arguments[i + 1], &rest);
        if (*rest != '\0' || value < (fps ? 1.0 : 0.0) || (fps && value > 240.0)) {
            *error = std::string("bad value for ") + arguments[i] + ": " + arguments[i + 1];
            return false;
        }
        if (fps) {
            options.fixedFps = static_cast<int>(value);
        } else {
            options.end = value;
        }
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    return true;
}

} // namespace

// The page's "play again": the same options, a fresh show.
extern "C" EMSCRIPTEN_KEEPALIVE int quessalyPlayAgain()
{
    if (showing) {
        return 0;
    }
    return startShowing(lastOptions) ? 1 : 0;
}

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<const char*> arguments(argv, argv + argc);
    PageOptions options;
    std::string error;
    if (!takePageOptions(arguments, options, &error) ||
        !options.player.parse(static_cast<int>(arguments.size()), arguments.data(), &error)) {
        std::fprintf(stderr, "quessaly: %s\n", error.c_str());
        pageEnded(2);
        return 2;
    }
    AssetFolder::choose(AssetFolder::standardFolders());
    lastOptions = options;
    if (!startShowing(options)) {
        pageEnded(1);
        return 1;
    }
    return 0;
}
