# What ships, and how it is packed (the release itself: tools/make-release.sh).
#
# - The install rules below (component "program") are the program folder as
#   it ships: the program and its two libraries without their debugging
#   information, res/ (the shipped settings), tbl/, sound/, fonts/, an empty
#   data/, the short text on how to start it and the translator's licence.
#   `cmake --install` stages it into <tree>/stage/RelivoX. Both trees stage
#   the same bytes outside their programs and libraries (the installer
#   stores that part once): the sounds and the font are made the same way
#   every time.
# - The portable archive of this tree's build: <tree>/dist/RelivoX-<v>-portable-<tree>.zip.
# - Where makensis is found, an installer that carries this tree's build
#   only, quickly compressed, for the install test:
#   <tree>/dist/RelivoX-<v>-setup-<tree>-only.exe (a 64-bit installer in the
#   64-bit tree, so that it runs on machines without 32-bit execution).
if(NOT RELIVO_WINDOWS)
  return()
endif()

set(_rel_dir ${CMAKE_CURRENT_LIST_DIR}/installer)
configure_file(${_rel_dir}/README.txt.in ${RELIVO_GENERATED}/README.txt @ONLY NEWLINE_STYLE CRLF)

set(CMAKE_INSTALL_MESSAGE NEVER)
set(_rel_binaries RelivoX lumcap)
if(TARGET liblouis)
  list(APPEND _rel_binaries liblouis)
  install(FILES ${RELIVO_LIBLOUIS_DIR}/COPYING.LESSER DESTINATION . RENAME liblouis-licence.txt COMPONENT program)
endif()
# The import libraries of the DLLs are not shipped (component "dev").
install(TARGETS ${_rel_binaries} RUNTIME DESTINATION . COMPONENT program ARCHIVE DESTINATION lib COMPONENT dev)
install(FILES ${RELIVO_GENERATED}/README.txt DESTINATION . COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/res/RelivoX.ini DESTINATION res COMPONENT program)
install(DIRECTORY ${RELIVO_OUT}/tbl ${RELIVO_OUT}/sound ${RELIVO_OUT}/fonts DESTINATION . COMPONENT program)
install(DIRECTORY DESTINATION data COMPONENT program)

set(_rel_stage_root ${CMAKE_BINARY_DIR}/stage)
set(RELIVO_STAGE ${_rel_stage_root}/RelivoX CACHE INTERNAL "The staged program folder")
set(_rel_stamp ${_rel_stage_root}/staged)
set(_rel_targets RelivoX lumcap louis_tables relivo_fonts_files relivo_app_sounds)
if(TARGET liblouis)
  list(APPEND _rel_targets liblouis)
endif()
# Staged on every build (tools/installer/stage.cmake); the stamp changes
# only with what ships.
add_custom_target(relivo_stage ALL
  COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPROGRAM=$<TARGET_FILE:RelivoX>
          -DSTAGE=${RELIVO_STAGE} -DSTAMP=${_rel_stamp}
          -P ${_rel_dir}/stage.cmake
  BYPRODUCTS ${_rel_stamp}
  COMMENT "Staging the program folder as it ships")
add_dependencies(relivo_stage ${_rel_targets})

set(RELIVO_PORTABLE ${CMAKE_BINARY_DIR}/dist/RelivoX-${PROJECT_VERSION}-portable-${RELIVO_TREE}.zip
    CACHE INTERNAL "The portable archive of this tree")
add_custom_command(OUTPUT ${RELIVO_PORTABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
  COMMAND ${CMAKE_COMMAND} -E chdir ${_rel_stage_root}
          ${CMAKE_COMMAND} -E tar cf ${RELIVO_PORTABLE} --format=zip RelivoX
  DEPENDS ${_rel_stamp}
  COMMENT "Packing the portable archive")
set(_rel_outputs ${RELIVO_PORTABLE})

find_program(RELIVO_MAKENSIS makensis)
if(RELIVO_MAKENSIS)
  if(RELIVO_WIN64)
    set(_rel_target amd64)
  else()
    set(_rel_target x86)
  endif()
  set(RELIVO_TREE_SETUP ${CMAKE_BINARY_DIR}/dist/RelivoX-${PROJECT_VERSION}-setup-${RELIVO_TREE}-only.exe
      CACHE INTERNAL "The installer of this tree's build alone")
  add_custom_command(OUTPUT ${RELIVO_TREE_SETUP}
    COMMAND bash ${_rel_dir}/build-installer.sh --version ${PROJECT_VERSION} --out ${RELIVO_TREE_SETUP}
            --work ${CMAKE_BINARY_DIR}/installer-work --payload${RELIVO_BITS} ${RELIVO_STAGE}
            --target ${_rel_target} --fast --icon ${CMAKE_BINARY_DIR}/res/generated/program.ico
    DEPENDS ${_rel_stamp} ${_rel_dir}/build-installer.sh ${_rel_dir}/RelivoX.nsi
            ${CMAKE_BINARY_DIR}/res/generated/program.ico
    COMMENT "Making the installer of this tree's build")
  list(APPEND _rel_outputs ${RELIVO_TREE_SETUP})
else()
  set(RELIVO_TREE_SETUP "" CACHE INTERNAL "")
  message(STATUS "makensis not found: no installer is made and the install test is not run "
                 "(install the nsis package: tools/install-deps.sh)")
endif()
add_custom_target(relivo_packages ALL DEPENDS ${_rel_outputs})
