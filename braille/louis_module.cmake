# The braille translator bound at run time (LouisModule).
if(RELIVO_WINDOWS)
  add_library(relivo_louis_module STATIC ${CMAKE_CURRENT_LIST_DIR}/louis_module.cpp)
  target_link_libraries(relivo_louis_module PUBLIC relivo_louis_names relivo_settings)
  relivo_warnings(relivo_louis_module)
endif()
