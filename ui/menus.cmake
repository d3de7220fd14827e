# The menus of the main window, built from the settings, with the owner
# drawing of the menu bar and the screen readers' record of its captions.
if(RELIVO_WINDOWS)
  add_library(relivo_menus STATIC ${CMAKE_CURRENT_LIST_DIR}/menus.cpp)
  target_link_libraries(relivo_menus PUBLIC relivo_keys_model relivo_settings gdi32 user32)
  relivo_warnings(relivo_menus)
endif()
