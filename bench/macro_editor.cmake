# Opening the Advanced page with twelve full macros (the macro editor's lists
# filled and painted), against filling the event list line by line.
if(TARGET orv_app_qt AND TARGET orv_device_link)
  add_executable(macro_editor_bench macro_editor_bench.cpp)
  target_link_libraries(macro_editor_bench PRIVATE orv_app_qt orv_device_link benchmark::benchmark orv_warnings)
  target_include_directories(macro_editor_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(macro_editor_bench PRIVATE ORV_PORTABLE_DIR="${ORV_PORTABLE_DIR}")
  # It runs the program on a copy of the portable folder's data.
  foreach(data orv_skin_data orv_config_data orv_macro_data)
    if(TARGET ${data})
      add_dependencies(macro_editor_bench ${data})
    endif()
  endforeach()
endif()
