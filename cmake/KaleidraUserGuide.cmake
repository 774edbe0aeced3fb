# The user guide: docs/user-guide.md is turned into HTML at build time by the project's own tool
# (tools/user-guide, plain C++ without the framework) and written into the plug-in's bundle, where
# the editor's "User Guide" link opens it (Source/CMakeLists.txt adds that step to the bundle).
#
# Defined here rather than in tools/ because the plug-in needs it whether or not the tools are built.

set(KALEIDRA_USER_GUIDE_SOURCE "${CMAKE_SOURCE_DIR}/docs/user-guide.md")

add_library(kaleidra_markdown STATIC
    "${CMAKE_SOURCE_DIR}/tools/user-guide/MarkdownToHtml.cpp"
    "${CMAKE_SOURCE_DIR}/tools/user-guide/MarkdownToHtml.h")
target_include_directories(kaleidra_markdown PUBLIC "${CMAKE_SOURCE_DIR}/tools/user-guide")
kaleidra_warnings(kaleidra_markdown)

add_executable(kaleidra-guide-html "${CMAKE_SOURCE_DIR}/tools/user-guide/Main.cpp")
target_link_libraries(kaleidra-guide-html PRIVATE kaleidra_markdown)
kaleidra_warnings(kaleidra-guide-html)
set_target_properties(kaleidra-guide-html PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools/user-guide")
