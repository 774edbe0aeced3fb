#pragma once

// For test programs that open real windows on a bare X server.

#include <juce_core/juce_core.h>

#include <mutex>

#if JUCE_LINUX || JUCE_BSD
    #include <dlfcn.h>
#endif

namespace kaleidra::test
{
// A bare X server without a window manager (Xvfb) lacks atoms such as WM_PROTOCOLS, which the
// framework sets on every new window; Xlib's default handler would end the process over the
// resulting error. A JUCE application installs a handler that ignores X errors; a test program
// is no JUCE application, so this installs the same kind of handler before the first window.
inline void ignoreXErrors()
{
#if JUCE_LINUX || JUCE_BSD
    static std::once_flag once;
    std::call_once (once,
                    []
                    {
                        using ErrorHandler = int (*) (void*, void*);
                        using SetErrorHandler = ErrorHandler (*) (ErrorHandler);
                        if (auto* x11 = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_GLOBAL))
                            if (auto setHandler =
                                    reinterpret_cast<SetErrorHandler> (dlsym (x11, "XSetErrorHandler")))
                                setHandler ([] (void*, void*) { return 0; });
                    });
#endif
}
} // namespace kaleidra::test
