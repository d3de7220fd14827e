# The virtual camera for the capture tests: vcam32.dll / vcam64.dll (a
# DirectShow source filter in a COM server) and vcamctl.exe, its
# command-line front end. Both land in <tree>/tools/vcam.
if(RELIVO_WINDOWS)
  set(VCAM_NAME vcam${RELIVO_BITS})
  set(VCAM_OUT ${CMAKE_BINARY_DIR}/tools/vcam)
  set(VCAM_DIR ${CMAKE_CURRENT_LIST_DIR}/vcam)

  add_library(vcam SHARED ${VCAM_DIR}/vcam_server.cpp ${VCAM_DIR}/vcam_filter.cpp ${VCAM_DIR}/vcam_pin.cpp
    ${VCAM_DIR}/vcam_config.cpp ${VCAM_DIR}/vcam_picture.cpp ${VCAM_DIR}/vcam_codec.cpp ${VCAM_DIR}/vcam_crossbar.cpp ${VCAM_DIR}/vcam.def)
  target_include_directories(vcam PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vcam PRIVATE strmiids ole32 oleaut32 uuid advapi32 windowscodecs)
  set_target_properties(vcam PROPERTIES OUTPUT_NAME ${VCAM_NAME} PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${VCAM_OUT} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(RELIVO_WIN32)
    # The .def names the stdcall entry points without their decoration.
    target_link_options(vcam PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  relivo_warnings(vcam)
  relivo_link_static(vcam)

  add_executable(vcamctl ${VCAM_DIR}/vcamctl.cpp)
  target_include_directories(vcamctl PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vcamctl PRIVATE strmiids ole32 oleaut32 uuid)
  target_link_options(vcamctl PRIVATE -municode)
  set_target_properties(vcamctl PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VCAM_OUT})
  add_dependencies(vcamctl vcam)
  relivo_warnings(vcamctl)
  relivo_link_static(vcamctl)
endif()
