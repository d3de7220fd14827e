# Still pictures, picture files and the clipboard of the capture library:
# the rules without platform (also built natively for their tests), the
# picture holder, the image encoders, the still capture, and the library's
# resources (shutter sound made with sox, connector names).
set(LUMCAP_PICTURE_RULES ${LUMCAP_DIR}/picture_model.cpp)

if(RELIVO_NATIVE)
  target_sources(lumcap_model PRIVATE ${LUMCAP_PICTURE_RULES})
endif()

if(RELIVO_WINDOWS)
  # One library for the DLL and for the tests that drive the still capture
  # with plain frames.
  add_library(lumcap_pictures STATIC
    ${LUMCAP_PICTURE_RULES}
    ${LUMCAP_DIR}/dib_section.cpp
    ${LUMCAP_DIR}/image_encoders.cpp
    ${LUMCAP_DIR}/still_capture.cpp
    ${LUMCAP_DIR}/trace.cpp
    ${LUMCAP_DIR}/waits.cpp)
  target_include_directories(lumcap_pictures PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(lumcap_pictures PUBLIC strmiids gdiplus msvfw32 winmm ole32 gdi32 user32)
  relivo_warnings(lumcap_pictures)

  set(_lumcap_res ${CMAKE_SOURCE_DIR}/res)
  set(_lumcap_gen ${CMAKE_CURRENT_BINARY_DIR}/lumcap_res)
  add_custom_command(OUTPUT ${_lumcap_gen}/shutter.wav
    COMMAND ${_lumcap_res}/make_shutter.sh ${_lumcap_gen}/shutter.wav
    DEPENDS ${_lumcap_res}/make_shutter.sh
    COMMENT "Making the shutter sound")
  set(_lumcap_rc_object ${CMAKE_CURRENT_BINARY_DIR}/lumcap_rc.o)
  add_custom_command(OUTPUT ${_lumcap_rc_object}
    COMMAND ${CMAKE_RC_COMPILER} -O coff --include-dir ${_lumcap_gen} --include-dir ${_lumcap_res}
            -i ${_lumcap_res}/lumcap.rc -o ${_lumcap_rc_object}
    DEPENDS ${_lumcap_res}/lumcap.rc ${_lumcap_res}/lumcap_resources.h ${_lumcap_gen}/shutter.wav
    COMMENT "Compiling the resources of the capture library")

  target_sources(lumcap PRIVATE ${_lumcap_rc_object})
  target_link_libraries(lumcap PRIVATE lumcap_pictures)
endif()
