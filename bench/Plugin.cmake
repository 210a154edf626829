# processBlock as a host calls it, for the main playing scenarios.
add_executable(quorvane_processor_bench ${CMAKE_CURRENT_LIST_DIR}/processor_blocks.cpp)
target_link_libraries(quorvane_processor_bench PRIVATE quorvane_plugin_shared benchmark::benchmark)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/processor_blocks.cpp PROPERTIES COMPILE_OPTIONS "${QUORVANE_WARNINGS}")
