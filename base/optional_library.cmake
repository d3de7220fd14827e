# The loader of the optional libraries (braille translator, capture
# library): load by file name, resolve a fixed table of entry points.
if(RELIVO_WINDOWS)
  add_library(relivo_optional_library STATIC ${CMAKE_CURRENT_LIST_DIR}/optional_library.cpp)
  target_include_directories(relivo_optional_library PUBLIC ${CMAKE_SOURCE_DIR})
  relivo_warnings(relivo_optional_library)
endif()
