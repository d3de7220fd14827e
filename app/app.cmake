# The program RelivoX.exe: start-up, the main window, command dispatch and
# its resources (icons and start-up picture drawn at build time, sounds
# made with sox).
if(NOT RELIVO_WINDOWS)
  return()
endif()

set(_app_res ${CMAKE_SOURCE_DIR}/res)
set(_app_gen ${CMAKE_BINARY_DIR}/res/generated)
set(_app_images ${_app_gen}/program.ico ${_app_gen}/splash.bmp)
foreach(n RANGE 100 122)
  list(APPEND _app_images ${_app_gen}/icon${n}.ico)
endforeach()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${_app_images}
  COMMAND ${Python3_EXECUTABLE} ${_app_res}/make_images.py ${_app_gen}
  DEPENDS ${_app_res}/make_images.py
  COMMENT "Drawing the icons and the start-up picture")

# The application manifest, with the project's version and the processor
# of this build.
set(RELIVO_VERSION_4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
if(RELIVO_WIN64)
  set(RELIVO_MANIFEST_ARCH amd64)
else()
  set(RELIVO_MANIFEST_ARCH x86)
endif()
configure_file(${_app_res}/RelivoX.manifest.in ${_app_gen}/RelivoX.manifest @ONLY)

file(GLOB _app_rc_parts ${_app_res}/dialogs.rc ${_app_res}/resource_ids.h)
set(_app_rc_object ${CMAKE_CURRENT_BINARY_DIR}/RelivoX_rc.o)
add_custom_command(OUTPUT ${_app_rc_object}
  COMMAND ${CMAKE_RC_COMPILER} -O coff -I ${_app_res} --include-dir ${_app_gen} --include-dir ${_app_res}
          -i ${_app_res}/RelivoX.rc -o ${_app_rc_object}
  DEPENDS ${_app_res}/RelivoX.rc ${_app_images} ${_app_rc_parts} ${_app_gen}/RelivoX.manifest
  COMMENT "Compiling the resources of RelivoX")

set(_app_sounds start ende open save saveas erase connect klick key1 key2 key3 draw lklick rklick hint)
list(TRANSFORM _app_sounds PREPEND ${RELIVO_OUT}/sound/)
list(TRANSFORM _app_sounds APPEND .wav)
add_custom_command(OUTPUT ${_app_sounds}
  COMMAND ${_app_res}/make_sounds.sh ${RELIVO_OUT}/sound
  DEPENDS ${_app_res}/make_sounds.sh
  COMMENT "Making the event sounds")
add_custom_target(relivo_app_sounds DEPENDS ${_app_sounds})

set(_app_sources ${RELIVO_PROGRAM_SOURCES})
list(TRANSFORM _app_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
add_executable(RelivoX WIN32 ${_app_sources} ${_app_rc_object})
target_link_libraries(RelivoX PRIVATE relivo_camera_view relivo_braille_text relivo_page_paint relivo_fonts relivo_icon_bar
  relivo_menus relivo_document
  relivo_file_dialogs relivo_document_settings relivo_picture_wic relivo_serial
  relivo_dialogs relivo_hotkeys relivo_sound relivo_settings comctl32 comdlg32 shell32 gdi32 user32 winmm)
set_target_properties(RelivoX PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT})
add_dependencies(RelivoX relivo_app_sounds lumcap)
relivo_warnings(RelivoX)
relivo_link_static(RelivoX)
relivo_version_resource(RelivoX DESCRIPTION "Relivo X Win" COMMENTS "Read/write station for the Relivo tactile display")
