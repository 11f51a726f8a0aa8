# Recording on the virtual desktop with real clients: qlm record while
# xdotool types and clicks into an xterm, then qlm play of what it made.
if(QLM_TESTS)
  file(GLOB qlm_recorder_x11_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/recorder/x11/*.cpp)
  add_executable(test_recorder_x11 ${qlm_recorder_x11_sources})
  target_link_libraries(test_recorder_x11 PRIVATE quillmote_core GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_recorder_x11 PRIVATE QLM_BINARY="$<TARGET_FILE:qlm>"
    QLM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(test_recorder_x11 qlm)
  # One program and one virtual desktop for all cases.
  add_test(NAME recorder_x11 COMMAND test_recorder_x11)
  set_tests_properties(recorder_x11 PROPERTIES LABELS x11 TIMEOUT 300)
endif()
