# The image search tests and benchmark read PNG screenshots; the benchmark also runs
# OpenCV's template matching as a peer when OpenCV is installed.
find_package(PNG QUIET)

if(TARGET test_imaging)
  if(NOT PNG_FOUND)
    message(FATAL_ERROR "test_imaging needs libpng (scripts/packages/imaging.txt)")
  endif()
  target_link_libraries(test_imaging PRIVATE PNG::PNG)
endif()

if(TARGET bench_image_search)
  if(NOT PNG_FOUND)
    message(FATAL_ERROR "bench_image_search needs libpng (scripts/packages/imaging.txt)")
  endif()
  target_link_libraries(bench_image_search PRIVATE PNG::PNG)
  target_compile_definitions(bench_image_search PRIVATE QLM_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")

  # Debian's libopencv-dev brings the CMake package; the smaller core and imgproc
  # packages alone bring only headers and libraries.
  find_package(OpenCV QUIET COMPONENTS core imgproc)
  if(OpenCV_FOUND)
    target_include_directories(bench_image_search SYSTEM PRIVATE ${OpenCV_INCLUDE_DIRS})
    target_link_libraries(bench_image_search PRIVATE ${OpenCV_LIBS})
    target_compile_definitions(bench_image_search PRIVATE QLM_WITH_OPENCV=1)
  else()
    find_path(QLM_OPENCV_INCLUDE opencv2/imgproc.hpp PATH_SUFFIXES opencv4)
    find_library(QLM_OPENCV_CORE opencv_core)
    find_library(QLM_OPENCV_IMGPROC opencv_imgproc)
    if(QLM_OPENCV_INCLUDE AND QLM_OPENCV_CORE AND QLM_OPENCV_IMGPROC)
      target_include_directories(bench_image_search SYSTEM PRIVATE ${QLM_OPENCV_INCLUDE})
      target_link_libraries(bench_image_search PRIVATE ${QLM_OPENCV_IMGPROC} ${QLM_OPENCV_CORE})
      target_compile_definitions(bench_image_search PRIVATE QLM_WITH_OPENCV=1)
    else()
      message(STATUS "OpenCV not found: bench_image_search runs without its matchTemplate peer")
    endif()
  endif()
endif()
