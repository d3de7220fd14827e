# Picture files decoded by the platform's imaging component.
if(RELIVO_WINDOWS)
  add_library(relivo_picture_wic STATIC ${CMAKE_CURRENT_LIST_DIR}/picture_wic.cpp)
  target_link_libraries(relivo_picture_wic PUBLIC relivo_document windowscodecs ole32 uuid)
  relivo_warnings(relivo_picture_wic)
endif()
