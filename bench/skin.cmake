# The skin toolkit: the window shape built from runs against the per-pixel
# reference, and a cached picture load against a fresh decode.
if(NOT TARGET orv_skin_gfx OR NOT TARGET orv_skin_data)
  return()
endif()
add_executable(skin_bench ${CMAKE_CURRENT_LIST_DIR}/skin_bench.cpp)
target_link_libraries(skin_bench PRIVATE orv_skin_gfx benchmark::benchmark orv_warnings)
target_include_directories(skin_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(skin_bench PRIVATE ORV_PORTABLE_DIR="${ORV_PORTABLE_DIR}")
add_dependencies(skin_bench orv_skin_data)
