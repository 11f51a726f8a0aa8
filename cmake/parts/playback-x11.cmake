# Playback on the virtual desktop with real clients, and the playback
# benchmark's virtual-desktop half. Sorted before x11.cmake: the targets of
# that part are resolved when the build is generated.
if(QLM_TESTS)
  file(GLOB qlm_playback_x11_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/playback/x11/*.cpp)
  add_executable(test_playback_x11 ${qlm_playback_x11_sources})
  target_link_libraries(test_playback_x11 PRIVATE quillmote_core GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_playback_x11 PRIVATE
    QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>"
    QLM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(test_playback_x11 qlm_x11_probe)
  # One program and one virtual desktop (and one xterm) for all cases.
  add_test(NAME playback_x11 COMMAND test_playback_x11)
  set_tests_properties(playback_x11 PROPERTIES LABELS x11 TIMEOUT 120)
endif()

if(QLM_BENCH AND TARGET bench_playback)
  target_link_libraries(bench_playback PRIVATE quillmote_core)
endif()

if(QLM_BENCH AND TARGET bench_typing)
  target_link_libraries(bench_typing PRIVATE quillmote_core)
  target_compile_definitions(bench_typing PRIVATE QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>")
  add_dependencies(bench_typing qlm_x11_probe)
endif()
