#pragma once

#include <GL/glew.h>

#include <set>
#include <string>

// --gl-debug: every GL error a run meets. Where the context has debug output (OpenGL 4.3, KHR_debug) the driver
// reports each error as it happens, naming the call; elsewhere (WebGL2, older drivers) glGetError is read after
// every frame. Each distinct error is printed once on standard error with the scene it came from.
class ErrorReport {
public:
    ErrorReport() = default;
    ~ErrorReport();
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    // Starts watching the current context; `useDebugOutput` false reads glGetError after every frame even where
    // the context has debug output.
    void start(bool useDebugOutput = true);
    // What runs now: the scene's keyword (its line break left out), named beside the errors it makes. The text
    // must outlive the report's use of it, as the timeline's keywords do.
    void setScene(const char* keyword) { currentScene = keyword; }
    // Collects what glGetError holds; called after every frame and before the context goes.
    void endFrame();
    // Stops watching, before the context goes.
    void stop();

    long errorCount() const { return errors; }
    std::size_t distinctCount() const { return seen.size(); }
    bool usesDebugOutput() const { return debugOutput; }

private:
    static void GLAPIENTRY onMessage(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                                     const GLchar* message, const void* report);
    void record(const std::string& error);

    bool debugOutput = false;
    const char* currentScene = "LOADER";
    std::set<std::string> seen;
    long errors = 0;
};
