# The quillmote program on a private virtual desktop (Xvfb + openbox).
if(QLM_TESTS)
  file(GLOB qlm_ui_x11_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/ui/x11/*.cpp)
  add_executable(test_ui_x11 ${qlm_ui_x11_sources})
  target_link_libraries(test_ui_x11 PRIVATE quillmote_core Qt6::Gui GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_ui_x11 PRIVATE QLM_QUILLMOTE="$<TARGET_FILE:quillmote>" QLM_BINARY="$<TARGET_FILE:qlm>"
    QLM_PROBE_CLIENT="$<TARGET_FILE:qlm_x11_probe>")
  add_dependencies(test_ui_x11 quillmote qlm qlm_x11_probe)
  add_test(NAME ui_x11 COMMAND test_ui_x11)
  set_tests_properties(ui_x11 PROPERTIES LABELS x11 TIMEOUT 180)
endif()
