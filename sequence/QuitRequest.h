#pragma once

class PlatformEvents;

// How a scene asks the program to end: the quit message goes to the message queue of the window the shell opened.
void setQuitTarget(PlatformEvents* events);
void postQuitMessage();
