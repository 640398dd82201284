#include "support/ScriptedWindow.h"

#include "support/HeadlessGL.h"

namespace {
// Distinct non-null handles for the window, its device context and the GL context.
int windowToken, deviceToken, contextToken;

template <class Handle>
Handle* token(int& storage)
{
    return reinterpret_cast<Handle*>(&storage);
}
} // namespace

bool ScriptedWindow::step(Step which, const char* name)
{
    calls.emplace_back(name);
    if (failing.count(which) != 0) {
        error = std::string(name) + " failed";
        return false;
    }
    return true;
}

bool ScriptedWindow::called(const std::string& name) const
{
    for (const std::string& call : calls) {
        if (call == name) {
            return true;
        }
    }
    return false;
}

bool ScriptedWindow::registerClass() { return step(Step::RegisterClass, "registerClass"); }
bool ScriptedWindow::unregisterClass() { return step(Step::UnregisterClass, "unregisterClass"); }
bool ScriptedWindow::setDisplayMode(int, int, int) { return step(Step::SetDisplayMode, "setDisplayMode"); }
void ScriptedWindow::restoreDisplayMode() { calls.emplace_back("restoreDisplayMode"); }

NativeWindow* ScriptedWindow::createWindow(const char*, int width, int height, bool fullscreen, const PixelFormat&)
{
    createdFullscreen = fullscreen;
    createdWidth = width;
    createdHeight = height;
    return step(Step::CreateWindow, "createWindow") ? token<NativeWindow>(windowToken) : nullptr;
}

bool ScriptedWindow::destroyWindow(NativeWindow*) { return step(Step::DestroyWindow, "destroyWindow"); }

bool ScriptedWindow::setFullscreen(NativeWindow*, bool fullscreen)
{
    return step(Step::SetFullscreen, fullscreen ? "setFullscreen" : "setWindowed");
}

DeviceContext* ScriptedWindow::acquireDeviceContext(NativeWindow*)
{
    return step(Step::AcquireDeviceContext, "acquireDeviceContext") ? token<DeviceContext>(deviceToken) : nullptr;
}

bool ScriptedWindow::releaseDeviceContext(NativeWindow*, DeviceContext*)
{
    return step(Step::ReleaseDeviceContext, "releaseDeviceContext");
}

int ScriptedWindow::choosePixelFormat(DeviceContext*, const PixelFormat&)
{
    return step(Step::ChoosePixelFormat, "choosePixelFormat") ? 1 : 0;
}

bool ScriptedWindow::setPixelFormat(DeviceContext*, int, const PixelFormat&)
{
    return step(Step::SetPixelFormat, "setPixelFormat");
}

RenderingContext* ScriptedWindow::createContext(DeviceContext*, ContextKind kind, bool debugOutput)
{
    if (missingKinds.count(kind) != 0) {
        calls.push_back("createContext (kind missing)");
        return nullptr;
    }
    contextKind = kind;
    debugContext = debugOutput;
    return step(Step::CreateContext, "createContext") ? token<RenderingContext>(contextToken) : nullptr;
}

bool ScriptedWindow::makeCurrent(DeviceContext*, RenderingContext* context)
{
    if (context == nullptr) {
        return step(Step::ReleaseCurrent, "releaseCurrent");
    }
    std::string reason;
    return step(Step::MakeCurrent, "makeCurrent") && headless_gl::ensureContext(&reason);
}

bool ScriptedWindow::deleteContext(RenderingContext*) { return step(Step::DeleteContext, "deleteContext"); }
bool ScriptedWindow::loadGLEntryPoints() { return step(Step::LoadGLEntryPoints, "loadGLEntryPoints"); }
void ScriptedWindow::showWindow(NativeWindow*) { calls.emplace_back("showWindow"); }
void ScriptedWindow::swapBuffers(DeviceContext*) { ++swaps; }

bool ScriptedWindow::takeMessage(WindowMessage& message)
{
    if (messages.empty()) {
        return false;
    }
    message = messages.front();
    messages.pop_front();
    return true;
}

void ScriptedWindow::postQuitMessage()
{
    ++quitMessagesPosted;
    queue(WindowMessage::Type::Quit);
}

void ScriptedWindow::showCursor(bool visible) { calls.emplace_back(visible ? "showCursor" : "hideCursor"); }

MessageBoxAnswer ScriptedWindow::messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                            MessageBoxIcon icon)
{
    boxes.push_back({text, caption, buttons, icon});
    return buttons == MessageBoxButtons::YesNo ? answer : MessageBoxAnswer::Ok;
}

std::string ScriptedWindow::lastError() { return error; }

void ScriptedWindow::queue(WindowMessage::Type type, int key)
{
    WindowMessage message;
    message.type = type;
    message.key = key;
    messages.push_back(message);
}
