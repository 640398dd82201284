#include "platform/web/WebWindow.h"

#include <cstdint>

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

namespace {

// The page's fullscreen switch and cursor, defined by index.html; a page without them leaves both alone.
EM_JS(void, pageFullscreen, (int on), {
    if (Module.setFullscreen) Module.setFullscreen(!!on);
});
EM_JS(void, pageCursor, (int visible), {
    if (Module.showCursor) Module.showCursor(!!visible);
});
EM_JS(void, pageTitle, (const char* title), { document.title = UTF8ToString(title); });
// Tells the page the browser gave no WebGL2 context, so that it can say what a viewer can do about it.
EM_JS(void, pageNoWebGL2, (), {
    if (Module.onNoWebGL2) Module.onNoWebGL2();
});

// Handles stand for the one canvas: any non-null value will do, each of its own type.
NativeWindow* const kWindow = reinterpret_cast<NativeWindow*>(1);
DeviceContext* const kDeviceContext = reinterpret_cast<DeviceContext*>(2);

} // namespace

WebWindow::~WebWindow()
{
    if (context != 0) {
        emscripten_webgl_destroy_context(context);
    }
}

NativeWindow* WebWindow::createWindow(const char* title, int, int, bool, const PixelFormat& pixelFormat)
{
    pageTitle(title);
    format = pixelFormat;
    windowOpen = true;
    return kWindow;
}

bool WebWindow::destroyWindow(NativeWindow* window)
{
    const bool open = window == kWindow && windowOpen;
    windowOpen = false;
    return open;
}

bool WebWindow::setFullscreen(NativeWindow* window, bool fullscreen)
{
    if (window != kWindow) {
        return false;
    }
    pageFullscreen(fullscreen);
    return true;
}

DeviceContext* WebWindow::acquireDeviceContext(NativeWindow* window)
{
    return window == kWindow && windowOpen ? kDeviceContext : nullptr;
}

bool WebWindow::releaseDeviceContext(NativeWindow* window, DeviceContext* deviceContext)
{
    return window == kWindow && deviceContext == kDeviceContext;
}

int WebWindow::choosePixelFormat(DeviceContext* deviceContext, const PixelFormat&)
{
    return deviceContext == kDeviceContext ? 1 : 0;
}

bool WebWindow::setPixelFormat(DeviceContext* deviceContext, int formatNumber, const PixelFormat&)
{
    return deviceContext == kDeviceContext && formatNumber == 1;
}

RenderingContext* WebWindow::createContext(DeviceContext* deviceContext, ContextKind kind, bool)
{
    if (deviceContext != kDeviceContext || kind != ContextKind::ES) {
        error = "a web page offers OpenGL ES 3.0 (WebGL2) only";
        return nullptr;
    }
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = format.colorBits > 24;
    attributes.depth = format.depthBits > 0;
    attributes.stencil = false;
    attributes.antialias = false; // the show's frames are drawn as on the desktop, without multisampling
    attributes.premultipliedAlpha = false;
    // The frame stays on the canvas after the show ends, and a frame read back is the one drawn.
    attributes.preserveDrawingBuffer = true;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = emscripten_webgl_create_context(canvas.c_str(), &attributes);
    if (handle <= 0) {
        pageNoWebGL2();
        error = "the browser made no WebGL2 context (error " + std::to_string(static_cast<int>(handle)) + ")";
        return nullptr;
    }
    context = static_cast<int>(handle);
    return reinterpret_cast<RenderingContext*>(static_cast<std::intptr_t>(context));
}

bool WebWindow::makeCurrent(DeviceContext*, RenderingContext* renderingContext)
{
    const auto handle = static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<std::intptr_t>(renderingContext));
    return emscripten_webgl_make_context_current(handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

bool WebWindow::deleteContext(RenderingContext* renderingContext)
{
    const auto handle = static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<std::intptr_t>(renderingContext));
    if (handle <= 0 || handle != context) {
        return false;
    }
    context = 0;
    return emscripten_webgl_destroy_context(handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

void WebWindow::showCursor(bool visible) { pageCursor(visible); }

void WebWindow::canvasSize(int* width, int* height) const
{
    if (emscripten_get_canvas_element_size(canvas.c_str(), width, height) != EMSCRIPTEN_RESULT_SUCCESS) {
        *width = *height = 0;
    }
}
