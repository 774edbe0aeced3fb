# Fuzzing build (-DKALEIDRA_FUZZ=ON, clang only): every target gets libFuzzer's coverage
# instrumentation and the address and undefined-behaviour sanitizers; tests/fuzz holds the targets.
if(KALEIDRA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "KALEIDRA_FUZZ needs clang: configure with CC=clang CXX=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    message(STATUS "Kaleidra: fuzzing build")
endif()
