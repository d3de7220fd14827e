# The table of entry points the program binds in the capture library.
if(RELIVO_WINDOWS)
  add_library(relivo_capture_names STATIC ${CMAKE_CURRENT_LIST_DIR}/capture_names.cpp)
  target_link_libraries(relivo_capture_names PUBLIC relivo_optional_library)
  relivo_warnings(relivo_capture_names)
endif()
