#pragma once

#include "platform/PlatformDialogs.h"

class SdlWindow;

// Message boxes on SDL2, over the window when it exists.
class SdlDialogs : public PlatformDialogs {
public:
    explicit SdlDialogs(const SdlWindow& window);

    MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) override;

private:
    const SdlWindow& window;
};
