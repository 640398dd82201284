#include "sequence/QuitRequest.h"

#include "platform/PlatformEvents.h"

namespace {
PlatformEvents* quitTarget = nullptr;
}

void setQuitTarget(PlatformEvents* events) { quitTarget = events; }

void postQuitMessage()
{
    if (quitTarget != nullptr) {
        quitTarget->postQuitMessage();
    }
}
