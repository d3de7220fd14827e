# Fails when a file includes a header of a folder its own folder may not
# use. The layers, bottom up:
#
#   res       resource and string ids, included by anyone
#   base      the services every folder may use: settings, log, texts,
#             owners, key names, commands, sound, the library loader
#   device, document, capture (the library, apart)
#   braille (uses device), camera (uses document and the library's header),
#   ui (uses document)
#   app       the program: may use everything, and nothing uses it
#   tools, tests  anything but the program's own sources (tests may)
#
# cmake -DSOURCE_DIR=<tree> [-DEXCLUDE=<folder>] [-DEXPECT_EVERY_FILE=ON]
#       -P check_layering.cmake
# With EXPECT_EVERY_FILE the tree is a sample of offenders: the check passes
# only when every file of it is reported.
if(NOT DEFINED SOURCE_DIR)
  message(FATAL_ERROR "check_layering: SOURCE_DIR is not set")
endif()

set(layer_res res)
set(layer_base base)
set(layer_device base device)
set(layer_document base res document)
set(layer_capture res capture base/owners.h)  # the library uses no service but the owners
set(layer_braille base res device braille)
set(layer_camera base res document capture camera)
set(layer_ui base res document ui)
set(layer_app base res document device capture braille camera ui app)
set(layer_tools base res document device capture braille camera ui tools)
set(project_folders res base device document capture braille camera ui app tools tests)

list(JOIN project_folders "|" alternatives)
set(pattern "^[ \t]*#[ \t]*include[ \t]*[\"<]((${alternatives})/[^\">]*)")

set(files "")
foreach(folder ${project_folders})
  if(IS_DIRECTORY ${SOURCE_DIR}/${folder})
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
         ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.rc)
    list(APPEND files ${found})
  endif()
endforeach()

set(offences "")
set(offenders "")
foreach(file ${files})
  if(DEFINED EXCLUDE AND file MATCHES "^${EXCLUDE}/")
    continue()
  endif()
  string(REGEX MATCH "^[^/]+" own "${file}")
  if(own STREQUAL "tests")
    continue()  # tests may include anything
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "${pattern}")
  foreach(line ${lines})
    string(REGEX MATCH "${pattern}" found "${line}")
    set(header "${CMAKE_MATCH_1}")
    set(target "${CMAKE_MATCH_2}")
    list(FIND layer_${own} ${target} folder_allowed)
    list(FIND layer_${own} ${header} header_allowed)
    if(folder_allowed EQUAL -1 AND header_allowed EQUAL -1)
      string(STRIP "${line}" line)
      string(APPEND offences "  ${file}: ${line} (${own}/ may use: ${layer_${own}})\n")
      list(APPEND offenders ${file})
    endif()
  endforeach()
endforeach()

if(EXPECT_EVERY_FILE)
  set(missed "")
  foreach(file ${files})
    list(FIND offenders ${file} reported)
    if(reported EQUAL -1)
      string(APPEND missed "  ${file}\n")
    endif()
  endforeach()
  if(missed OR NOT files)
    message(FATAL_ERROR "The check let offenders pass:\n${missed}")
  endif()
  message(STATUS "Every planted offender was found:\n${offences}")
  return()
endif()

if(offences)
  message(FATAL_ERROR "Includes that break the layers:\n${offences}")
endif()
list(LENGTH files count)
message(STATUS "${count} files keep to the layers")
