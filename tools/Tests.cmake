# Tests of quorvane-render: each runs the tool on the demo song (or on small files the
# test writes) and checks the WAV files and messages it produces.
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
    message(STATUS "Python 3 not found: the renderer tests are skipped")
    return()
endif()

set(QUORVANE_RENDER_TEST_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/tests/render_test.py)
set(QUORVANE_DEMO_SONG ${CMAKE_SOURCE_DIR}/demo/demo-song.mid)

function(quorvane_render_test name case)
    add_test(NAME Renderer.${name}
        COMMAND ${Python3_EXECUTABLE} ${QUORVANE_RENDER_TEST_SCRIPT} ${case}
            --tool $<TARGET_FILE:quorvane-render>
            --demo ${QUORVANE_DEMO_SONG}
            --work ${CMAKE_CURRENT_BINARY_DIR}/render-tests/${name}
            ${ARGN})
    set_tests_properties(Renderer.${name} PROPERTIES TIMEOUT 300 LABELS renderer)
endfunction()

foreach(rate 44100 48000 88200 96000)
    quorvane_render_test(DemoAt${rate} demo --rate ${rate})
endforeach()
foreach(bits 16 24 32)
    quorvane_render_test(Bits${bits} bits --bits ${bits})
endforeach()
quorvane_render_test(RefusesRate32000 refuse-rate)
quorvane_render_test(RefusesMissingInput missing-input)
quorvane_render_test(RefusesBrokenInput broken-input)
quorvane_render_test(FailureLeavesNoOutput no-partial-output)
quorvane_render_test(RefusesBadOptions bad-options)
quorvane_render_test(PresetAndStateAgree preset-and-state)
quorvane_render_test(TempoMapTiming tempo-map)
