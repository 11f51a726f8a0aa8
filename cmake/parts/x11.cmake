# The X11 integration tests, and the probe client they drive.

# A small X client of ours that logs what it receives, paints a known colour
# or pattern, or sends input as the user would, for the integration tests and
# the injection benchmark.
add_executable(qlm_x11_probe ${PROJECT_SOURCE_DIR}/tests/platform/x11/probe/Probe.cpp)
target_link_libraries(qlm_x11_probe PRIVATE X11::X11 X11::Xi X11::Xtst)

if(QLM_TESTS)
  file(GLOB qlm_x11_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/platform/x11/*.cpp)
  add_executable(test_platform_x11 ${qlm_x11_test_sources})
  target_link_libraries(test_platform_x11 PRIVATE quillmote_core GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_platform_x11 PRIVATE
    QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>"
    QLM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(test_platform_x11 qlm_x11_probe)
  # One program and one virtual desktop for all cases: starting a desktop per
  # case would cost a second each.
  add_test(NAME platform_x11 COMMAND test_platform_x11)
  set_tests_properties(platform_x11 PROPERTIES LABELS x11 TIMEOUT 120)
endif()

if(QLM_BENCH AND TARGET bench_capture)
  target_link_libraries(bench_capture PRIVATE quillmote_core)
  target_compile_definitions(bench_capture PRIVATE QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>")
  add_dependencies(bench_capture qlm_x11_probe)
endif()
