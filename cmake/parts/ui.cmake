# The desktop application: the ui library on Qt Widgets, the quillmote
# program, and the tests of both on Qt's offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Widgets Multimedia Test)

set_target_properties(quillmote_ui PROPERTIES AUTOMOC ON)
target_link_libraries(quillmote_ui PUBLIC Qt6::Widgets Qt6::Multimedia)

add_executable(quillmote ${PROJECT_SOURCE_DIR}/src/ui/main.cpp)
target_link_libraries(quillmote PRIVATE quillmote_ui quillmote_platform_backends)

if(TARGET test_ui)
  set_target_properties(test_ui PROPERTIES AUTOMOC ON)
  target_link_libraries(test_ui PRIVATE quillmote_ui Qt6::Test)
  add_dependencies(test_ui qlm)
  target_compile_definitions(test_ui PRIVATE QLM_TOOL="$<TARGET_FILE:qlm>")
endif()

if(QLM_BENCH AND TARGET bench_desktop)
  target_link_libraries(bench_desktop PRIVATE quillmote_ui)
endif()

if(QLM_BENCH AND TARGET bench_overlay)
  target_link_libraries(bench_overlay PRIVATE quillmote_ui)
endif()
