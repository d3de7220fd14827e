# Painting of the page and the text line with the colours and interface
# fonts they use; shared by the program and the paint benchmark.
if(RELIVO_WINDOWS)
  add_library(relivo_page_paint STATIC
    ${CMAKE_CURRENT_LIST_DIR}/page_paint.cpp)
  target_link_libraries(relivo_page_paint PUBLIC relivo_document relivo_ui_resources gdi32 user32)
  relivo_warnings(relivo_page_paint)
endif()
