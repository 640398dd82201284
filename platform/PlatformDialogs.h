#pragma once

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxIcon { Exclamation, Stop, Information };
enum class MessageBoxAnswer { Ok, Yes, No };

// Message boxes: the start-up failures and the fullscreen question.
class PlatformDialogs {
public:
    virtual ~PlatformDialogs() = default;

    // Also prints caption and text on standard error. Without a display a Yes/No question is answered No.
    virtual MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                        MessageBoxIcon icon) = 0;
};
