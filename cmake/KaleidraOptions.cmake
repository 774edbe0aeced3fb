# Settings shared by every target of the project.

# Definitions every JUCE-based target gets. Debian's JUCE has its bundled FLAC and Ogg code
# removed, and juce_dsp pulls in the audio formats module, so those codecs stay off.
set(KALEIDRA_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_DISPLAY_SPLASH_SCREEN=0)

# Sanitizer flags, applied globally so that the framework is instrumented too.
if(KALEIDRA_SANITIZERS)
    string(REPLACE ";" "," _san "${KALEIDRA_SANITIZERS}")
    add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    if(_san MATCHES "undefined")
        # The framework compares empty memory blocks with memcmp (null, null, 0). Such reports stay
        # recoverable so that scripts/ubsan.supp can name the framework file; every other report
        # still stops the test (UBSAN_OPTIONS halt_on_error=1).
        add_compile_options(-fsanitize-recover=nonnull-attribute)
    endif()
    add_link_options(-fsanitize=${_san})
    message(STATUS "Kaleidra: building with -fsanitize=${_san}")
endif()

# kaleidra_warnings(target): the project's warning level for its own sources.
function(kaleidra_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                             -Wno-missing-field-initializers)
endfunction()

# Debian's JUCE uses the system's image and compression libraries instead of its bundled copies,
# so every binary that contains the framework links them itself.
find_package(PkgConfig REQUIRED)
if(NOT TARGET kaleidra_system_libs)
    add_library(kaleidra_system_libs INTERFACE)
    if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
        pkg_check_modules(KALEIDRA_IMAGE_LIBS REQUIRED IMPORTED_TARGET libpng libjpeg zlib)
        target_link_libraries(kaleidra_system_libs INTERFACE PkgConfig::KALEIDRA_IMAGE_LIBS)
    elseif(WIN32)
        # The Windows cross build links static mingw builds: zlib from Debian's
        # libz-mingw-w64-dev, libjpeg-turbo and libpng from the project's dependency cache
        # (scripts/mingw-deps.sh), both found below the toolchain file's search root.
        set(ZLIB_USE_STATIC_LIBS ON)
        find_package(ZLIB REQUIRED)
        find_package(PNG REQUIRED)
        find_package(JPEG REQUIRED)
        target_link_libraries(kaleidra_system_libs INTERFACE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
        # A front for jpeglib.h that declares `boolean` where JUCE looks for it.
        target_include_directories(kaleidra_system_libs INTERFACE
            "${CMAKE_CURRENT_LIST_DIR}/mingw/include")
    endif()
endif()
