# The icon bar and the hint areas of the main window (the areas are plain
# geometry and build natively too).
add_library(relivo_hover_areas STATIC ${CMAKE_CURRENT_LIST_DIR}/hover_areas.cpp)
target_link_libraries(relivo_hover_areas PUBLIC relivo_base)
relivo_warnings(relivo_hover_areas)

if(RELIVO_WINDOWS)
  add_library(relivo_icon_bar STATIC ${CMAKE_CURRENT_LIST_DIR}/icon_bar.cpp)
  target_link_libraries(relivo_icon_bar PUBLIC relivo_hover_areas relivo_settings comctl32 gdi32 user32)
  relivo_warnings(relivo_icon_bar)
endif()

# Where everything of the main window lies (plain geometry, every tree).
add_library(relivo_main_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/main_layout.cpp)
target_include_directories(relivo_main_layout PUBLIC ${CMAKE_SOURCE_DIR})
relivo_warnings(relivo_main_layout)
if(RELIVO_WINDOWS)
  target_link_libraries(relivo_icon_bar PUBLIC relivo_main_layout)
endif()
