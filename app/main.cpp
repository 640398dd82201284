#include "app/AppWindow.h"
#include "app/AssetFolder.h"
#include "app/DemoShell.h"
#include "app/PlayerOptions.h"
#include "gl/GL.h"
#include "platform/ParentConsole.h"
#include "platform/SdlAudioDevice.h"
#include "platform/SdlDialogs.h"
#include "platform/SdlEvents.h"
#include "platform/SdlWindow.h"

#include <cstdio>
#include <string>

// The two builds differ only in this display mode.
#ifndef QUESSALY_WIDTH
#define QUESSALY_WIDTH 1280
#define QUESSALY_HEIGHT 720
#endif
#ifndef QUESSALY_VERSION
#define QUESSALY_VERSION "0"
#endif

int main(int argc, char** argv)
{
    attachParentConsole();
    // Keywords and messages show as they happen, even through a pipe. Unbuffered rather than line-buffered:
    // the Microsoft C runtime has no line buffering, and the program prints only a few lines.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* program = argc > 0 ? argv[0] : "quessaly";
    PlayerOptions options;
    options.width = QUESSALY_WIDTH;
    options.height = QUESSALY_HEIGHT;
    std::string error;
    if (!options.parse(argc, argv, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), PlayerOptions::usage(program).c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", PlayerOptions::usage(program).c_str());
        return 0;
    }
    if (options.version) {
        std::printf("quessaly %s (%dx%d build)\n", QUESSALY_VERSION, QUESSALY_WIDTH, QUESSALY_HEIGHT);
        return 0;
    }
    AssetFolder::choose(AssetFolder::standardFolders());
    gl::select(options.glBackend);
    SdlWindow window;
    SdlEvents events(window);
    SdlDialogs dialogs(window);
    SdlAudioDevice audio(options.mute);
    DemoShell shell({window, events, dialogs}, &audio, options.width, options.height);
    shell.app()->designHeight = QUESSALY_HEIGHT;
    if (options.glDebug) {
        shell.reportGLErrors();
    }
    if (options.windowed) {
        shell.preferWindowed();
    }
    shell.startAt(options.start);
    return shell.run();
}
