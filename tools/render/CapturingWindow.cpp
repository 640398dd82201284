#include "tools/render/CapturingWindow.h"

CapturingWindow::CapturingWindow(PlatformWindow& inner, std::function<void()> beforeSwap)
    : inner(inner), beforeSwap(std::move(beforeSwap))
{
}

void CapturingWindow::swapBuffers(Handle deviceContext)
{
    beforeSwap();
    inner.swapBuffers(deviceContext);
}
