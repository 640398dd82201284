#pragma once

class PlatformWindow;

// How a scene asks the program to end: the quit message goes to the window the shell opened.
void setQuitTarget(PlatformWindow* platform);
void postQuitMessage();
