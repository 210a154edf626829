# Processor tests: they link the same shared code as the plug-in.
file(GLOB QUORVANE_PLUGIN_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(quorvane_plugin_tests ${QUORVANE_PLUGIN_TESTS})
target_link_libraries(quorvane_plugin_tests PRIVATE quorvane_plugin_shared GTest::gtest)
target_include_directories(quorvane_plugin_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
set_source_files_properties(${QUORVANE_PLUGIN_TESTS} PROPERTIES COMPILE_OPTIONS "${QUORVANE_WARNINGS}")
# The hosting tests load the built plug-in bundles (the sanitizer build runs only
# the threading tests and does not build them).
if(NOT QUORVANE_TSAN)
    add_dependencies(quorvane_plugin_tests Quorvane_VST3 Quorvane_LV2)
endif()
target_compile_definitions(quorvane_plugin_tests PRIVATE
    QUORVANE_VST3_BUNDLE="$<TARGET_FILE_DIR:Quorvane_VST3>/../.."
    QUORVANE_LV2_DIR="$<TARGET_FILE_DIR:Quorvane_LV2>/.."
    QUORVANE_LV2_URI="${QUORVANE_LV2URI}")
gtest_discover_tests(quorvane_plugin_tests DISCOVERY_TIMEOUT 120)

# lilv, the library most LV2 hosts use, must find the bundle by its URI.
add_test(NAME LV2Bundle.ListedByLv2info
    COMMAND sh -c "LV2_PATH='$<TARGET_FILE_DIR:Quorvane_LV2>/..:/usr/lib/lv2' lv2info '${QUORVANE_LV2URI}' | grep -E 'Name: +Quorvane$' && LV2_PATH='$<TARGET_FILE_DIR:Quorvane_LV2>/..:/usr/lib/lv2' lv2info '${QUORVANE_LV2URI}' | grep -E 'Class: +Instrument Plugin'")

# A binary of its own: it replaces the global allocator to count allocations.
add_executable(quorvane_alloc_tests ${CMAKE_CURRENT_LIST_DIR}/../alloc/test_no_allocation.cpp)
target_link_libraries(quorvane_alloc_tests PRIVATE quorvane_plugin_shared GTest::gtest_main)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/../alloc/test_no_allocation.cpp PROPERTIES COMPILE_OPTIONS "${QUORVANE_WARNINGS}")
gtest_discover_tests(quorvane_alloc_tests DISCOVERY_TIMEOUT 120)

# The Standalone application starts and keeps running on a display (skipped without one).
add_test(NAME Standalone.StartsAndKeepsRunning
    COMMAND sh -c "[ -n \"$DISPLAY\" ] || exit 77; timeout -s TERM 4 '$<TARGET_FILE:Quorvane_Standalone>' >/dev/null 2>&1; test $? -eq 124")
set_tests_properties(Standalone.StartsAndKeepsRunning PROPERTIES SKIP_RETURN_CODE 77)
