# The layout value splitter and the rectangle arithmetic fed by it.
orv_add_fuzzer(item_list_fuzz ${CMAKE_CURRENT_LIST_DIR}/item_list_fuzz.cpp orv_skin_layout)
