# The arithmetic of the camera and screen views (model code, every tree).
add_library(relivo_view_model STATIC ${CMAKE_CURRENT_LIST_DIR}/view_model.cpp)
target_link_libraries(relivo_view_model PUBLIC relivo_image_dots)
relivo_warnings(relivo_view_model)
