# Page painting of the main window: composes each page from the skin pictures,
# the layout tables, the settings and the macro names.
if(NOT TARGET orv_skin_gfx)
  return()  # the fuzz build has no picture toolkit
endif()
add_library(orv_skin_paint STATIC ${CMAKE_CURRENT_LIST_DIR}/page_painter.cpp)
target_include_directories(orv_skin_paint PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orv_skin_paint PUBLIC orv_skin_gfx orv_skin_layout orv_settings orv_macros Qt6::Gui
  PRIVATE Qt6::Widgets orv_warnings)
