# Playback through the device link: trigger latency via the simulated mouse,
# onset accuracy over a long macro, and the idle cost of the running engine.
add_executable(playback_bench playback_bench.cpp)
target_link_libraries(playback_bench PRIVATE orv_playback orv_device_link benchmark::benchmark orv_warnings)
target_include_directories(playback_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
