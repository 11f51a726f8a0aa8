# The examples are played by the built qlm on a private virtual desktop.
if(TARGET test_examples AND TARGET qlm)
  add_dependencies(test_examples qlm)
  target_compile_definitions(test_examples PRIVATE QLM_BINARY="$<TARGET_FILE:qlm>")
  set_tests_properties(examples PROPERTIES LABELS x11 TIMEOUT 600)
endif()
