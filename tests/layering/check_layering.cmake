# Fails when a file outside the program's own sources includes one of the
# program's headers (its window, dispatch and state): every folder but the
# program is a library below it and must not reach up into it.
# cmake -DSOURCE_DIR=<tree> -DPROGRAM_SOURCES=<names> -DPROGRAM_HEADERS=<names>
#       [-DEXCLUDE=<folder>] -P check_layering.cmake
# The names are files of app/, separated by commas.
foreach(var SOURCE_DIR PROGRAM_SOURCES PROGRAM_HEADERS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_layering: ${var} is not set")
  endif()
endforeach()

string(REPLACE "," ";" PROGRAM_SOURCES "${PROGRAM_SOURCES}")
string(REPLACE "," ";" PROGRAM_HEADERS "${PROGRAM_HEADERS}")
set(program_files ${PROGRAM_SOURCES} ${PROGRAM_HEADERS})
list(TRANSFORM program_files PREPEND "app/")
list(JOIN PROGRAM_HEADERS "|" alternatives)
string(REPLACE "." "\\." alternatives "${alternatives}")
set(pattern "#[ \t]*include[ \t]*[\"<]app/(${alternatives})[\">]")

# Every folder of the tree but the build trees and version control.
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(files "")
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder} OR folder MATCHES "^(build.*|\\..*)$")
    continue()
  endif()
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp
       ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.rc)
  list(APPEND files ${found})
endforeach()

set(offences "")
foreach(file ${files})
  if(DEFINED EXCLUDE AND file MATCHES "^${EXCLUDE}/")
    continue()
  endif()
  list(FIND program_files ${file} own)
  if(NOT own EQUAL -1)
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "${pattern}")
  foreach(line ${lines})
    string(STRIP "${line}" line)
    string(APPEND offences "  ${file}: ${line}\n")
  endforeach()
endforeach()

if(offences)
  message(FATAL_ERROR "Files outside the program include its headers:\n${offences}")
endif()
message(STATUS "No file outside the program includes its headers (${PROGRAM_HEADERS})")
