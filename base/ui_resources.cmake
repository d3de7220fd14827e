# Colours, brushes and the interface fonts read from the settings.
if(RELIVO_WINDOWS)
  add_library(relivo_ui_resources STATIC ${CMAKE_CURRENT_LIST_DIR}/ui_resources.cpp ${CMAKE_CURRENT_LIST_DIR}/dpi.cpp)
  target_link_libraries(relivo_ui_resources PUBLIC relivo_settings gdi32 user32)
  relivo_warnings(relivo_ui_resources)
endif()
