# Text recognition: Tesseract in-process (with OpenMP, whose threads it turns
# off for small images), and the test texts drawn with FreeType.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract)
find_package(OpenMP REQUIRED COMPONENTS CXX)
target_link_libraries(quillmote_ocr PUBLIC PkgConfig::TESSERACT OpenMP::OpenMP_CXX)

if(TARGET test_ocr OR TARGET bench_ocr)
  find_package(Freetype REQUIRED)
  find_package(PNG REQUIRED)
endif()
if(TARGET test_ocr)
  target_link_libraries(test_ocr PRIVATE Freetype::Freetype PNG::PNG)
  target_sources(test_ocr PRIVATE ${PROJECT_SOURCE_DIR}/tests/cli/QlmRunner.cpp)
  add_dependencies(test_ocr qlm)
  target_compile_definitions(test_ocr PRIVATE QLM_BINARY="$<TARGET_FILE:qlm>")
endif()
if(TARGET bench_ocr)
  target_link_libraries(bench_ocr PRIVATE Freetype::Freetype)
endif()

# qlm ocr and qlm find read PNG files.
find_package(PNG REQUIRED)
target_link_libraries(quillmote_app PUBLIC PNG::PNG)
