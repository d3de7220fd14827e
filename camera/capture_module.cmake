# The capture library bound at run time (CaptureModule).
if(RELIVO_WINDOWS)
  add_library(relivo_capture_module STATIC ${CMAKE_CURRENT_LIST_DIR}/capture_module.cpp)
  target_link_libraries(relivo_capture_module PUBLIC relivo_capture_names relivo_settings)
  relivo_warnings(relivo_capture_module)
endif()
