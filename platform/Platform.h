#pragma once

#include "platform/PlatformDialogs.h"
#include "platform/PlatformEvents.h"
#include "platform/PlatformWindow.h"

#include <type_traits>

// The parts of the platform the shell uses, each behind its own interface.
struct Platform {
    Platform(PlatformWindow& window, PlatformEvents& events, PlatformDialogs& dialogs)
        : window(window), events(events), dialogs(dialogs)
    {
    }
    // One object that plays every part, as a test double does.
    template <class Everything, class = std::enable_if_t<std::is_base_of_v<PlatformWindow, Everything> &&
                                                         std::is_base_of_v<PlatformEvents, Everything> &&
                                                         std::is_base_of_v<PlatformDialogs, Everything>>>
    Platform(Everything& everything) : window(everything), events(everything), dialogs(everything)
    {
    }

    PlatformWindow& window;
    PlatformEvents& events;
    PlatformDialogs& dialogs;
};
