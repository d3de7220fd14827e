# Text to braille cells: the platform-free half (every tree) and the lists,
# focus marks and translation of the main window's text line (Windows).
add_library(relivo_braille_cells STATIC ${CMAKE_CURRENT_LIST_DIR}/braille_cells.cpp)
target_include_directories(relivo_braille_cells PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(relivo_braille_cells PUBLIC relivo_device_model)
relivo_warnings(relivo_braille_cells)

if(RELIVO_WINDOWS)
  add_library(relivo_braille_text STATIC ${CMAKE_CURRENT_LIST_DIR}/braille_text.cpp)
  target_link_libraries(relivo_braille_text PUBLIC relivo_braille_cells relivo_louis_module relivo_settings gdi32 user32)
  relivo_warnings(relivo_braille_text)
endif()
