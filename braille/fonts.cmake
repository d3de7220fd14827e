# The braille-font form of texts (model) and the render fonts (Windows).
add_library(relivo_braille_form STATIC ${CMAKE_CURRENT_LIST_DIR}/braille_form.cpp)
target_include_directories(relivo_braille_form PUBLIC ${CMAKE_SOURCE_DIR})
relivo_warnings(relivo_braille_form)

if(RELIVO_WINDOWS)
  add_library(relivo_fonts STATIC ${CMAKE_CURRENT_LIST_DIR}/fonts.cpp)
  target_link_libraries(relivo_fonts PUBLIC relivo_braille_form relivo_settings gdi32)
  relivo_warnings(relivo_fonts)
endif()
