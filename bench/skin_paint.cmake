# Paint latency of the main window's pages: composition with the picture cache
# against decoding the page's pictures afresh for every paint.
if(NOT TARGET orv_skin_paint)
  return()
endif()
add_executable(app_paint_bench ${CMAKE_CURRENT_LIST_DIR}/app_paint_bench.cpp)
target_link_libraries(app_paint_bench PRIVATE orv_skin_paint benchmark::benchmark orv_warnings)
target_include_directories(app_paint_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(app_paint_bench PRIVATE ORV_PORTABLE_DIR="${ORV_PORTABLE_DIR}")
add_dependencies(app_paint_bench orv_skin_data)
