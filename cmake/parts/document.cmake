# The qlm tool tests run the built tool.
if(TARGET test_qlm AND TARGET qlm)
  add_dependencies(test_qlm qlm)
  target_compile_definitions(test_qlm PRIVATE QLM_TOOL="$<TARGET_FILE:qlm>")
endif()
