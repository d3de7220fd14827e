# The table of entry points the program binds in the braille translator.
if(RELIVO_WINDOWS)
  add_library(relivo_louis_names STATIC ${CMAKE_CURRENT_LIST_DIR}/louis_names.cpp)
  target_link_libraries(relivo_louis_names PUBLIC relivo_optional_library relivo_settings)
  relivo_warnings(relivo_louis_names)
endif()
