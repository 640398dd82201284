#include "platform/web/WebDialogs.h"

#include <emscripten/emscripten.h>

namespace {

EM_JS(void, pageMessage, (const char* caption, const char* text, int isError), {
    const line = UTF8ToString(caption) + ": " + UTF8ToString(text);
    if (isError) console.error(line); else console.info(line);
    if (Module.showMessage) Module.showMessage(line, !!isError);
});

} // namespace

MessageBoxAnswer WebDialogs::messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                        MessageBoxIcon icon)
{
    pageMessage(caption, text, icon == MessageBoxIcon::Information ? 0 : 1);
    return buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
}
