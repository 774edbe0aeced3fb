# The factory presets: Source/presets/factory-presets.csv is compiled at build time by the project's
# own tool (tools/preset-compiler) into a C++ source of encoded preset blobs, which the library
# kaleidra_factory_presets holds for the plug-in and the tests. Only the encoded form is compiled in.
#
# Defined here rather than in tools/ because the plug-in needs it whether or not the tools are built.

set(KALEIDRA_PRESET_TABLE "${CMAKE_SOURCE_DIR}/Source/presets/factory-presets.csv")
set(KALEIDRA_PRESET_SOURCE "${CMAKE_BINARY_DIR}/generated/presets/FactoryPresetData.cpp")

# The table parser and the reference state model, shared by the tool and the preset tests.
add_library(kaleidra_preset_table STATIC
    "${CMAKE_SOURCE_DIR}/tools/preset-compiler/PresetTable.cpp"
    "${CMAKE_SOURCE_DIR}/tools/preset-compiler/PresetTable.h")
target_include_directories(kaleidra_preset_table PUBLIC "${CMAKE_SOURCE_DIR}/tools/preset-compiler")
target_link_libraries(kaleidra_preset_table PUBLIC kaleidra_shared)
kaleidra_warnings(kaleidra_preset_table)

add_executable(kaleidra-preset-compiler "${CMAKE_SOURCE_DIR}/tools/preset-compiler/Main.cpp")
target_link_libraries(kaleidra-preset-compiler PRIVATE kaleidra_preset_table)
kaleidra_warnings(kaleidra-preset-compiler)
set_target_properties(kaleidra-preset-compiler PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools/preset-compiler")

add_custom_command(
    OUTPUT "${KALEIDRA_PRESET_SOURCE}"
    COMMAND kaleidra-preset-compiler "${KALEIDRA_PRESET_TABLE}" "${KALEIDRA_PRESET_SOURCE}"
    DEPENDS kaleidra-preset-compiler "${KALEIDRA_PRESET_TABLE}"
    COMMENT "Compiling the factory preset table"
    VERBATIM)

# Plain data, no framework: the plug-in and the tests link it.
add_library(kaleidra_factory_presets STATIC
    "${KALEIDRA_PRESET_SOURCE}"
    "${CMAKE_SOURCE_DIR}/Source/presets/FactoryPresetData.h")
target_include_directories(kaleidra_factory_presets PUBLIC "${CMAKE_SOURCE_DIR}/Source/presets")

# The check of factory preset renders (silence, clipping, identical renders), for the tool
# tools/factory-presets and the tests.
add_library(kaleidra_render_check STATIC
    "${CMAKE_SOURCE_DIR}/tools/factory-presets/RenderCheck.cpp"
    "${CMAKE_SOURCE_DIR}/tools/factory-presets/RenderCheck.h")
target_include_directories(kaleidra_render_check PUBLIC "${CMAKE_SOURCE_DIR}/tools/factory-presets")
target_link_libraries(kaleidra_render_check PUBLIC kaleidra_shared)
kaleidra_warnings(kaleidra_render_check)
