#include "app/QuitRequest.h"

#include "platform/PlatformWindow.h"

namespace {
PlatformWindow* quitTarget = nullptr;
}

void setQuitTarget(PlatformWindow* platform) { quitTarget = platform; }

void postQuitMessage()
{
    if (quitTarget != nullptr) {
        quitTarget->postQuitMessage();
    }
}
