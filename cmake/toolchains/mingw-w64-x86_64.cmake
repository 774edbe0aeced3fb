# Cross build for 64-bit Windows with Debian's mingw-w64 (GCC, posix thread model).
#
#     cmake -S . -B build-win -G Ninja \
#           -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#           -DKALEIDRA_MINGW_DEPS_DIR="$(bash scripts/setup-windows.sh)"
#
# Everything is linked statically (libgcc, libstdc++, winpthread and the image libraries), so the
# plug-in DLL and the programs import nothing but Windows' own DLLs.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALEIDRA_MINGW_TRIPLE x86_64-w64-mingw32)

# The -posix variants use the winpthread thread model, which std::thread, std::mutex and
# std::condition_variable need with GCC 12.
set(CMAKE_C_COMPILER ${KALEIDRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALEIDRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KALEIDRA_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw sysroot and from the project's cache of static
# mingw builds (libjpeg-turbo, libpng; see scripts/mingw-deps.sh); programs from the build machine.
if(NOT KALEIDRA_MINGW_DEPS_DIR AND DEFINED ENV{KALEIDRA_MINGW_DEPS_DIR})
    set(KALEIDRA_MINGW_DEPS_DIR "$ENV{KALEIDRA_MINGW_DEPS_DIR}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${KALEIDRA_MINGW_TRIPLE})
if(KALEIDRA_MINGW_DEPS_DIR)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${KALEIDRA_MINGW_DEPS_DIR}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KALEIDRA_MINGW_DEPS_DIR)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No runtime DLLs next to the binaries: the C and C++ runtimes and winpthread go in statically.
foreach(_kind EXE SHARED MODULE)
    set(CMAKE_${_kind}_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endforeach()

# Cross-built programs that CTest or the build run go through Wine, in a private prefix inside
# the build folder.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    get_filename_component(_kaleidra_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${_kaleidra_root}/scripts/wine-run.sh" "${CMAKE_BINARY_DIR}/wine")
endif()

# Debian's JUCE CMake package lives in the build machine's multiarch folder, which a cross
# build does not search. Its juceaide is a native program and works for the cross build as is.
if(NOT JUCE_DIR)
    file(GLOB _kaleidra_juce_dirs LIST_DIRECTORIES true
         /usr/lib/*/cmake/JUCE-* /usr/lib/cmake/JUCE-* /usr/local/lib/cmake/JUCE-*)
    if(_kaleidra_juce_dirs)
        list(GET _kaleidra_juce_dirs 0 _kaleidra_juce_dir)
        set(JUCE_DIR "${_kaleidra_juce_dir}" CACHE PATH "Folder of JUCEConfig.cmake")
    endif()
endif()
