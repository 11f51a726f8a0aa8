# IfText and GetText through qlm play on a real X server, with the probe
# client showing known text. Sorted before x11.cmake: its targets are
# resolved when the build is generated.
if(QLM_TESTS)
  file(GLOB qlm_ocr_x11_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/ocr/x11/*.cpp)
  add_executable(test_ocr_x11 ${qlm_ocr_x11_test_sources})
  target_link_libraries(test_ocr_x11 PRIVATE quillmote_core GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_ocr_x11 PRIVATE
    QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>"
    QLM_BINARY="$<TARGET_FILE:qlm>")
  add_dependencies(test_ocr_x11 qlm_x11_probe qlm)
  add_test(NAME ocr_x11 COMMAND test_ocr_x11)
  set_tests_properties(ocr_x11 PROPERTIES LABELS x11 TIMEOUT 120)
endif()
