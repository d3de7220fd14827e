# The message and about dialogs with the owner drawing of buttons.
# Their templates are res/dialogs.rc (ids in res/resource_ids.h), which the
# program's resource script includes.
if(RELIVO_WINDOWS)
  add_library(relivo_dialogs STATIC
    ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/button_draw.cpp)
  target_link_libraries(relivo_dialogs PUBLIC relivo_hotkeys relivo_sound relivo_settings relivo_version gdi32 user32)
  relivo_warnings(relivo_dialogs)
endif()
