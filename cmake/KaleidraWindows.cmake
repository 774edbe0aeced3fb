# The Windows cross build's own checks. They run the cross-built programs under Wine (the
# toolchain file makes scripts/wine-run.sh the cross-compiling emulator, with a private Wine
# prefix in the build folder), and they look at what the binaries import.

set(KALEIDRA_WINDOWS_TESTS_DIR "${PROJECT_SOURCE_DIR}/tests/windows")

# The platform layer the plug-in stands on: paths, special folders, zlib/libpng/libjpeg,
# threads, denormals, the text form of the saved state.
add_executable(kaleidra-windows-check "${KALEIDRA_WINDOWS_TESTS_DIR}/WindowsPlatformCheck.cpp")
target_link_libraries(kaleidra-windows-check PRIVATE kaleidra_shared)
kaleidra_warnings(kaleidra-windows-check)
add_test(NAME windows.platform COMMAND kaleidra-windows-check)
set_tests_properties(windows.platform PROPERTIES LABELS "windows;wine" TIMEOUT 600)

# Every Windows binary the project ships imports Windows' own DLLs only.
if(NOT CMAKE_OBJDUMP)
    find_program(CMAKE_OBJDUMP ${KALEIDRA_MINGW_TRIPLE}-objdump REQUIRED)
endif()
set(KALEIDRA_IMPORT_CHECK "${PROJECT_SOURCE_DIR}/scripts/check-windows-imports.sh")

function(kaleidra_windows_import_test name file)
    add_test(NAME windows.imports.${name} COMMAND bash "${KALEIDRA_IMPORT_CHECK}" "${CMAKE_OBJDUMP}" "${file}")
    set_tests_properties(windows.imports.${name} PROPERTIES LABELS "windows")
endfunction()

kaleidra_windows_import_test(platform-check $<TARGET_FILE:kaleidra-windows-check>)

# The check itself must be able to fail: the mingw C++ runtime DLL needs two non-system DLLs.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE _kaleidra_runtime_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
if(EXISTS "${_kaleidra_runtime_dll}")
    add_test(NAME windows.imports.refuses-runtime-dll
             COMMAND bash "${KALEIDRA_IMPORT_CHECK}" "${CMAKE_OBJDUMP}" "${_kaleidra_runtime_dll}")
    set_tests_properties(windows.imports.refuses-runtime-dll PROPERTIES
        LABELS "windows"
        PASS_REGULAR_EXPRESSION "imports non-system DLL: libgcc_s_seh-1.dll")
endif()
