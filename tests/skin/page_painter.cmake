# Page painting, checked against the shipped skin (drawn by orv_skin_data into
# the portable folder) on the off-screen platform.
if(NOT TARGET orv_skin_paint)
  return()
endif()
orv_add_test(page_painter_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/page_painter_test.cpp LIBS orv_skin_paint)
add_dependencies(page_painter_tests orv_skin_data)
set_property(TEST page_painter_tests APPEND PROPERTY ENVIRONMENT QT_QPA_PLATFORM=offscreen)
