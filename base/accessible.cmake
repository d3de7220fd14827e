# Accessible names and roles of the program's windows, and the status
# line's announcements to screen readers.
if(RELIVO_WINDOWS)
  add_library(relivo_accessible STATIC ${CMAKE_CURRENT_LIST_DIR}/accessible.cpp)
  target_link_libraries(relivo_accessible PUBLIC relivo_base comctl32 oleacc ole32 oleaut32 user32)
  relivo_warnings(relivo_accessible)
endif()
