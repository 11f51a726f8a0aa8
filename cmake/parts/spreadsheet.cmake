# Workbooks: liborcus reads .xlsx, .ods and .csv into its model, where ixion
# computes the formulas; libzip and pugixml change the cells of a package in place.
pkg_check_modules(QLM_WORKBOOK REQUIRED liborcus-0.17 liborcus-spreadsheet-model-0.17 libzip pugixml)
target_include_directories(quillmote_spreadsheet SYSTEM PRIVATE ${QLM_WORKBOOK_INCLUDE_DIRS})
target_link_libraries(quillmote_spreadsheet PRIVATE ${QLM_WORKBOOK_LINK_LIBRARIES})

if(TARGET test_spreadsheet)
  # The failing file system of the document tests makes every write of a save fail in turn.
  target_sources(test_spreadsheet PRIVATE ${PROJECT_SOURCE_DIR}/tests/document/FaultyFileSystem.cpp)
  target_include_directories(test_spreadsheet SYSTEM PRIVATE ${QLM_WORKBOOK_INCLUDE_DIRS})
  target_link_libraries(test_spreadsheet PRIVATE ${QLM_WORKBOOK_LINK_LIBRARIES})
endif()
