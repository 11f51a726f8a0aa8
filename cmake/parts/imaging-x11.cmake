# IfImage and IfShape end to end on a real X server: the probe client painting
# a pattern, the recorded picture, playback in the test program and through qlm play.
# This file is included before x11.cmake, so the x11 targets are named
# here and resolved when the build is generated.
if(QLM_TESTS)
  find_package(X11 REQUIRED)
  file(GLOB qlm_imaging_x11_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/imaging/x11/*.cpp)
  add_executable(test_imaging_x11 ${qlm_imaging_x11_test_sources})
  target_link_libraries(test_imaging_x11 PRIVATE quillmote_core GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_imaging_x11 PRIVATE
    QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>"
    QLM_BINARY="$<TARGET_FILE:qlm>")
  add_dependencies(test_imaging_x11 qlm_x11_probe qlm)
  # One program and one virtual desktop for all cases.
  add_test(NAME imaging_x11 COMMAND test_imaging_x11)
  set_tests_properties(imaging_x11 PROPERTIES LABELS x11 TIMEOUT 60)
endif()
