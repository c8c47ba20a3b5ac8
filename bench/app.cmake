# Start-up of the whole program: process start to the first painted frame,
# with the simulated mouse, on a private X server when none is given.
if(TARGET ORV_ZIduzu)
  add_executable(startup_bench startup_bench.cpp)
  target_link_libraries(startup_bench PRIVATE benchmark::benchmark orv_warnings)
  target_compile_definitions(startup_bench PRIVATE
    ORV_APP_EXE="$<TARGET_FILE:ORV_ZIduzu>" ORV_PORTABLE_DIR="${ORV_PORTABLE_DIR}")
  add_dependencies(startup_bench ORV_ZIduzu)
endif()
