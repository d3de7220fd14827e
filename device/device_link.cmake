# Device link: the frame codec and session (model code, every tree) and the
# COM port that carries them (Windows trees).
add_library(relivo_device_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bounded_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/start_image.cpp)
target_include_directories(relivo_device_model PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(relivo_device_model PUBLIC relivo_base)
relivo_warnings(relivo_device_model)

if(RELIVO_WINDOWS)
  add_library(relivo_serial STATIC
    ${CMAKE_CURRENT_LIST_DIR}/serial_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_windows.cpp)
  target_link_libraries(relivo_serial PUBLIC relivo_device_model relivo_settings)
  relivo_warnings(relivo_serial)
endif()
