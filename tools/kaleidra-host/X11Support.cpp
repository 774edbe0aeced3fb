#include "X11Support.h"

#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX || JUCE_BSD
    #include <X11/Xlib.h>
    #include <X11/Xutil.h>
#elif JUCE_WINDOWS
    #ifndef NOMINMAX
        #define NOMINMAX
    #endif
    #ifndef WIN32_LEAN_AND_MEAN
        #define WIN32_LEAN_AND_MEAN
    #endif
    #include <windows.h>
#endif

namespace kaleidra_host::x11
{
#if JUCE_LINUX || JUCE_BSD
namespace
{
    ::Display* display = nullptr;

    int ignoreErrors (::Display*, XErrorEvent*)
    {
        return 0;
    }

    int channelOf (unsigned long pixel, unsigned long mask)
    {
        if (mask == 0)
            return 0;

        int shift = 0;

        while (((mask >> shift) & 1u) == 0)
            ++shift;

        const auto bits = (unsigned long) (mask >> shift);
        const auto value = (pixel & mask) >> shift;
        return (int) (value * 255u / bits);
    }
} // namespace

void initialiseThreads()
{
    XInitThreads();
}

bool prepareDisplay()
{
    if (display == nullptr)
        display = XOpenDisplay (nullptr);

    if (display == nullptr)
        return false;

    XSetErrorHandler (ignoreErrors);

    // Without a window manager these atoms do not exist, and the framework would then talk
    // about atom 0. Atoms live as long as the server, so creating them once is enough.
    const char* names[] = { "WM_PROTOCOLS",
                            "WM_TAKE_FOCUS",
                            "WM_DELETE_WINDOW",
                            "_NET_WM_PING",
                            "WM_CHANGE_STATE",
                            "WM_STATE",
                            "_NET_WM_WINDOW_TYPE",
                            "_NET_WM_STATE",
                            "_NET_WM_STATE_HIDDEN",
                            "_NET_FRAME_EXTENTS",
                            "_NET_WM_WINDOW_TYPE_NORMAL",
                            "_NET_WM_STATE_SKIP_TASKBAR",
                            "_MOTIF_WM_HINTS",
                            "_NET_WM_NAME",
                            "UTF8_STRING" };

    for (const auto* name : names)
        XInternAtom (display, name, False);

    XSync (display, False);
    return true;
}

void restoreErrorHandler()
{
    XSetErrorHandler (ignoreErrors);
}

juce::Image captureScreenArea (juce::Rectangle<int> area)
{
    if (display == nullptr || area.isEmpty())
        return {};

    XSync (display, False);
    const auto root = DefaultRootWindow (display);
    XWindowAttributes attributes;

    if (XGetWindowAttributes (display, root, &attributes) == 0)
        return {};

    area = area.getIntersection ({ 0, 0, attributes.width, attributes.height });

    if (area.isEmpty())
        return {};

    auto* picture = XGetImage (display, root, area.getX(), area.getY(), (unsigned int) area.getWidth(),
                               (unsigned int) area.getHeight(), AllPlanes, ZPixmap);

    if (picture == nullptr)
        return {};

    juce::Image result (juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    {
        juce::Image::BitmapData pixels (result, juce::Image::BitmapData::writeOnly);

        for (int y = 0; y < area.getHeight(); ++y)
        {
            for (int x = 0; x < area.getWidth(); ++x)
            {
                const auto p = XGetPixel (picture, x, y);
                pixels.setPixelColour (x, y,
                                       juce::Colour ((juce::uint8) channelOf (p, picture->red_mask),
                                                     (juce::uint8) channelOf (p, picture->green_mask),
                                                     (juce::uint8) channelOf (p, picture->blue_mask)));
            }
        }
    }

    XDestroyImage (picture);
    return result;
}
#else
void initialiseThreads() {}

bool prepareDisplay()
{
    return true;
}

void restoreErrorHandler() {}

    #if JUCE_WINDOWS
// A copy of the screen's pixels through GDI, so that the plug-in's own child window is in it
// (a component snapshot would paint only the host's side of the window).
juce::Image captureScreenArea (juce::Rectangle<int> logicalArea)
{
    const auto area = juce::Desktop::getInstance().getDisplays().logicalToPhysical (logicalArea);
    const auto width = area.getWidth(), height = area.getHeight();

    if (width <= 0 || height <= 0)
        return {};

    HDC screen = GetDC (nullptr);

    if (screen == nullptr)
        return {};

    HDC memory = CreateCompatibleDC (screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof (BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection (screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    juce::Image result;

    if (memory != nullptr && bitmap != nullptr && bits != nullptr)
    {
        const auto previous = SelectObject (memory, bitmap);

        if (BitBlt (memory, 0, 0, width, height, screen, area.getX(), area.getY(), SRCCOPY | CAPTUREBLT))
        {
            GdiFlush();
            result = juce::Image (juce::Image::RGB, width, height, false);
            juce::Image::BitmapData pixels (result, juce::Image::BitmapData::writeOnly);
            const auto* source = static_cast<const juce::uint8*> (bits);

            for (int y = 0; y < height; ++y)
            {
                for (int x = 0; x < width; ++x)
                {
                    const auto* bgra = source + ((size_t) y * (size_t) width + (size_t) x) * 4;
                    pixels.setPixelColour (x, y, juce::Colour (bgra[2], bgra[1], bgra[0]));
                }
            }
        }

        SelectObject (memory, previous);
    }

    if (bitmap != nullptr)
        DeleteObject (bitmap);

    if (memory != nullptr)
        DeleteDC (memory);

    ReleaseDC (nullptr, screen);
    return result;
}
    #else
juce::Image captureScreenArea (juce::Rectangle<int>)
{
    return {};
}
    #endif
#endif
} // namespace kaleidra_host::x11
