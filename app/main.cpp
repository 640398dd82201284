#include "app/DemoShell.h"
#include "platform/SdlAudioDevice.h"
#include "platform/SdlWindow.h"

#include <cstdio>

// The two builds differ only in this display mode.
#ifndef QUESSALY_WIDTH
#define QUESSALY_WIDTH 1280
#define QUESSALY_HEIGHT 720
#endif

int main()
{
    // Keywords and messages show as they happen, even through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    SdlWindow window;
    SdlAudioDevice audio;
    DemoShell shell(window, &audio, QUESSALY_WIDTH, QUESSALY_HEIGHT);
    return shell.run();
}
