#pragma once

#include <juce_graphics/juce_graphics.h>

// What a console program needs to open windows under a bare X server (such as Xvfb without a
// window manager) next to a plug-in that brings its own copy of the framework.
namespace kaleidra_host::x11
{
// Makes Xlib safe for several threads; must run before any other X call in the process.
void initialiseThreads();

// Opens a private connection, creates the window-manager atoms the framework looks for and
// installs an error handler that ignores protocol errors. False when there is no display.
bool prepareDisplay();

// Installs the tolerant handler again: a plug-in's framework copy replaces it with one of its
// own, which must not be called once the plug-in is unloaded.
void restoreErrorHandler();

// The screen's pixels in an area (screen coordinates), including the windows of other
// toolkits embedded there; an invalid image when that is not possible.
juce::Image captureScreenArea (juce::Rectangle<int> area);
} // namespace kaleidra_host::x11
