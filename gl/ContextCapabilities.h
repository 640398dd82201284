#pragma once

// What the current GL context offers of the lines the show draws, asked once: the shader back end draws
// itself (as edge lists and coverage quads) whatever the driver cannot. Decided from what the context reports,
// never from its kind alone: a forward-compatible core context refuses lines wider than a pixel though it reports
// wide ranges, OpenGL ES has no line-mode polygons and no smoothing, WebGL2 has lines one pixel wide only.
struct ContextCapabilities {
    bool openGLES = false;
    bool coreProfile = false;
    bool forwardCompatible = false;
    int majorVersion = 0;
    int minorVersion = 0;
    bool polygonMode = false; // line-mode polygons
    bool lineSmooth = false;  // GL_LINE_SMOOTH
    float aliasedLineWidths[2] = {1.0f, 1.0f};
    float smoothLineWidths[2] = {1.0f, 1.0f};

    // Asks the current context, without raising a GL error on any kind of context.
    static ContextCapabilities query();
    // The same context with lines as WebGL2 has them: one pixel wide, aliased, no line-mode polygons.
    ContextCapabilities linesAsOnWebGL() const;

    bool versionAtLeast(int major, int minor) const
    {
        return majorVersion > major || (majorVersion == major && minorVersion >= minor);
    }
    // Whether the driver draws a line `width` pixels wide, smoothed or not, as GL 1.x draws it.
    bool drawsLines(float width, bool smooth) const;
    // Whether every line the show may draw is the driver's own, so nothing needs the vertices on the processor.
    bool drawsEveryLine() const;
};
