# The command-line tests run the built qlm program itself.
if(TARGET test_cli AND TARGET qlm)
  add_dependencies(test_cli qlm)
  target_compile_definitions(test_cli PRIVATE QLM_BINARY="$<TARGET_FILE:qlm>")
endif()
