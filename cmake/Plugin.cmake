# The plug-in, its shared code, and an interface target through which tests and
# tools link the same processor the hosts load.

find_package(JUCE 7.0.5 CONFIG REQUIRED)
find_package(PkgConfig REQUIRED)
# Debian's JUCE links against the system codecs instead of bundling them.
pkg_check_modules(QUORVANE_CODECS REQUIRED IMPORTED_TARGET zlib libpng libjpeg flac vorbis vorbisenc vorbisfile ogg)

set(QUORVANE_LV2URI "https://velmora.audio/plugins/quorvane")

juce_add_plugin(Quorvane
    PRODUCT_NAME "Quorvane"
    COMPANY_NAME "Velmora"
    COMPANY_WEBSITE "https://velmora.audio"
    COMPANY_EMAIL "info@velmora.audio"
    BUNDLE_ID "com.Velmora.Quorvane"
    PLUGIN_MANUFACTURER_CODE VMin
    PLUGIN_CODE vm3i
    VERSION 3.2.6
    FORMATS VST3 LV2 Standalone
    IS_SYNTH TRUE
    NEEDS_MIDI_INPUT TRUE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS FALSE
    COPY_PLUGIN_AFTER_BUILD FALSE
    VST3_CATEGORIES Instrument Synth
    LV2URI "${QUORVANE_LV2URI}"
    # Pro Tools identity, used by a macOS build that has the AAX SDK.
    AAX_IDENTIFIER "com.Velmora.Quorvane"
    AAX_CATEGORY AAX_ePlugInCategory_SWGenerators
    DESCRIPTION "Physical-modelling synthesiser")

file(GLOB QUORVANE_PLUGIN_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/source/processor/*.cpp
    ${CMAKE_SOURCE_DIR}/source/editor/*.cpp
    ${CMAKE_SOURCE_DIR}/source/presets/*.cpp)
target_sources(Quorvane PRIVATE ${QUORVANE_PLUGIN_SOURCES})
set_source_files_properties(${QUORVANE_PLUGIN_SOURCES} PROPERTIES COMPILE_OPTIONS "${QUORVANE_WARNINGS}")
target_include_directories(Quorvane PUBLIC
    ${CMAKE_SOURCE_DIR}/source/processor
    ${CMAKE_SOURCE_DIR}/source/editor
    ${CMAKE_SOURCE_DIR}/source/presets)

# Debian's JUCE ignores the LV2URI argument: define it for every target.
target_compile_definitions(Quorvane PUBLIC JucePlugin_LV2URI="${QUORVANE_LV2URI}")

target_compile_definitions(Quorvane PUBLIC
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_JACK=1
    JUCE_ALSA=1
    # The tests load the built VST3 and LV2 through the framework's hosting classes.
    JUCE_PLUGINHOST_VST3=1
    JUCE_PLUGINHOST_LV2=1
    JUCE_MODAL_LOOPS_PERMITTED=0
    JUCE_LOG_ASSERTIONS=1)

target_link_libraries(Quorvane
    PRIVATE
        juce::juce_audio_utils
        juce::juce_audio_processors
        juce::juce_audio_formats
        juce::juce_opengl
        PkgConfig::QUORVANE_CODECS
        quorvane_engine
    PUBLIC
        juce::juce_recommended_config_flags
        juce::juce_recommended_warning_flags)

# GCC 12 reports false dangling-pointer warnings inside the framework's listener list.
target_compile_options(Quorvane PUBLIC $<$<CXX_COMPILER_ID:GNU>:-Wno-dangling-pointer>)

# Everything needed to compile and link against the shared code outside the plug-in wrappers.
add_library(quorvane_plugin_shared INTERFACE)
target_link_libraries(quorvane_plugin_shared INTERFACE
    Quorvane quorvane_engine PkgConfig::QUORVANE_CODECS
    juce::juce_recommended_config_flags)
target_include_directories(quorvane_plugin_shared INTERFACE
    $<TARGET_PROPERTY:Quorvane,INCLUDE_DIRECTORIES>)
# The shared code re-exports its module definitions; JUCE_STANDALONE_APPLICATION then
# expands to an undefined JucePlugin_Build_Standalone, which reads as 0.

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/tools)
endif()
