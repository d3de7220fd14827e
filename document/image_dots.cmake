# Pixels to pins: fitting a picture into the page, the brightness and
# threshold rule and the outline (model code, every tree).
add_library(relivo_image_dots STATIC ${CMAKE_CURRENT_LIST_DIR}/image_dots.cpp ${CMAKE_CURRENT_LIST_DIR}/image_outline.cpp)
target_include_directories(relivo_image_dots PUBLIC ${CMAKE_SOURCE_DIR})
relivo_warnings(relivo_image_dots)

