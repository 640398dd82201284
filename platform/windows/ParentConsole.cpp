#include "platform/ParentConsole.h"

#include <cstdio>

#include <io.h>
#include <windows.h>

namespace {

// A handle the program was given and can write to: a file, a pipe, the NUL device or a console. A GUI
// program started without redirection has none, or one that names no console it is attached to.
bool usable(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void reopenOnConsole(DWORD which, std::FILE* stream)
{
    if (std::freopen("CONOUT$", "w", stream) != nullptr) {
        // Code that writes through the Win32 handle (not the C runtime) finds the console too.
        SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
    }
}

} // namespace

void attachParentConsole()
{
    const bool output = usable(STD_OUTPUT_HANDLE);
    const bool error = usable(STD_ERROR_HANDLE);
    if (output && error) {
        return;
    }
    // Double-clicked, the parent has no console and none is opened: no console window appears. Wine attaches
    // a GUI program to its parent's console by itself, which the attach then reports as access denied.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
        return;
    }
    if (!output) {
        reopenOnConsole(STD_OUTPUT_HANDLE, stdout);
    }
    if (!error) {
        reopenOnConsole(STD_ERROR_HANDLE, stderr);
    }
}
