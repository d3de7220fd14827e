# The camera view, the screen view and their fly windows: the pixels under
# a fly window read in one transfer and turned into pins.
if(RELIVO_WINDOWS)
  add_library(relivo_camera_view STATIC
    ${CMAKE_CURRENT_LIST_DIR}/pixel_grab.cpp ${CMAKE_CURRENT_LIST_DIR}/fly_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/screen_view.cpp ${CMAKE_CURRENT_LIST_DIR}/camera_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/camera_controls.cpp)
  target_link_libraries(relivo_camera_view PUBLIC relivo_capture_module relivo_view_model relivo_document relivo_sound
    relivo_settings comctl32 gdi32 user32)
  relivo_warnings(relivo_camera_view)
endif()
