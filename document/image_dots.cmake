# Pixels to pins: fitting a picture into the page and the brightness and
# threshold rule (model code, every tree).
add_library(relivo_image_dots STATIC ${CMAKE_CURRENT_LIST_DIR}/image_dots.cpp)
target_include_directories(relivo_image_dots PUBLIC ${CMAKE_SOURCE_DIR})
relivo_warnings(relivo_image_dots)

