#pragma once

#include "platform/PlatformDialogs.h"

// Message boxes on a web page: written to the browser's console (as errors, or information), and shown on
// the page by index.html when it offers a place for them. Nothing waits for an answer: a Yes/No question is
// answered No, as it is without a display.
class WebDialogs : public PlatformDialogs {
public:
    MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) override;
};
