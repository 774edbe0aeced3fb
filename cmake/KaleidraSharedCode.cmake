# kaleidra_shared: the JUCE modules and the project's own modules in one static library.
#
# JUCE modules are INTERFACE libraries whose sources compile into whoever links them. Linking
# them PRIVATE here compiles them exactly once; their include paths and definitions are then
# re-exported by hand so that consumers see the same configuration. The embedded resources
# (fonts, icons) are linked publicly: the widget kit loads its fonts from them and the control
# bar hands the icons to its buttons.

add_library(kaleidra_shared STATIC)

target_link_libraries(kaleidra_shared
    PRIVATE
        tarn_dsp
        tarn_gui
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_audio_basics
        juce::juce_audio_formats
        juce::juce_audio_processors
        juce::juce_dsp
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_gui_extra
    PUBLIC
        juce::juce_recommended_config_flags
        kaleidra_system_libs
        kaleidra_resources)

target_compile_definitions(kaleidra_shared
    PUBLIC
        ${KALEIDRA_JUCE_DEFINITIONS}
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=1
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_PLUGINHOST_VST3=1
    INTERFACE
        $<TARGET_PROPERTY:kaleidra_shared,COMPILE_DEFINITIONS>)

target_include_directories(kaleidra_shared
    INTERFACE
        $<TARGET_PROPERTY:kaleidra_shared,INCLUDE_DIRECTORIES>)

set_target_properties(kaleidra_shared PROPERTIES
    VISIBILITY_INLINES_HIDDEN ON)
