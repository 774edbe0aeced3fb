/* Kaleidra's Windows build: front for libjpeg-turbo's jpeglib.h.

   The mingw configuration of libjpeg-turbo (jconfig.h) defines `boolean` only when Windows'
   <rpcndr.h> has not been read, because that header defines one itself, at global scope. JUCE's
   JPEG loader includes <jpeglib.h> inside a namespace of its own, after <windows.h>, and then
   names that namespace's `boolean`. So the type is declared here, in whatever scope this header is
   included, with the same definition as Windows' (an identical typedef may appear twice), and the
   real header follows. */

typedef unsigned char boolean;

#include_next <jpeglib.h>
