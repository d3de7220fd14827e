# The capture library: lumcap32.dll in the 32-bit tree, lumcap64.dll in the
# 64-bit tree, from the same sources. Its rules without platform are also
# built natively for their tests.

# Every export with its number of parameters, from the one list in
# lumcap_exports.h (the 32-bit build exports "_Name@N" with N = 4 x
# parameters).
set(LUMCAP_EXPORTS_HEADER ${CMAKE_CURRENT_LIST_DIR}/lumcap_exports.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LUMCAP_EXPORTS_HEADER})
file(READ ${LUMCAP_EXPORTS_HEADER} _lumcap_text)
string(REGEX MATCHALL "X\\(Lumeno[A-Za-z0-9]+, *[0-9]+, *[01]\\)" _lumcap_items "${_lumcap_text}")
set(LUMCAP_EXPORTS "")
foreach(_item ${_lumcap_items})
  string(REGEX REPLACE "^X\\((Lumeno[A-Za-z0-9]+), *([0-9]+),.*$" "\\1:\\2" _entry "${_item}")
  list(APPEND LUMCAP_EXPORTS ${_entry})
endforeach()
if(NOT LUMCAP_EXPORTS)
  message(FATAL_ERROR "no exports found in ${LUMCAP_EXPORTS_HEADER}")
endif()

set(LUMCAP_DIR ${CMAKE_CURRENT_LIST_DIR})

if(RELIVO_NATIVE)
  add_library(lumcap_model STATIC ${LUMCAP_DIR}/model.cpp ${LUMCAP_DIR}/format_ranges.cpp)
  target_include_directories(lumcap_model PUBLIC ${CMAKE_SOURCE_DIR})
  relivo_warnings(lumcap_model)
endif()

if(RELIVO_WINDOWS)
  set(LUMCAP_NAME lumcap${RELIVO_BITS})

  # Module-definition file: decorated names in the 32-bit build, plain
  # names in the 64-bit build.
  set(lumcap_def "EXPORTS\n")
  foreach(entry ${LUMCAP_EXPORTS})
    string(REPLACE ":" ";" parts ${entry})
    list(GET parts 0 name)
    list(GET parts 1 params)
    math(EXPR bytes "4 * ${params}")
    if(RELIVO_WIN32)
      string(APPEND lumcap_def "  _${name}@${bytes} = ${name}@${bytes}\n")
    else()
      string(APPEND lumcap_def "  ${name}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${LUMCAP_NAME}.def CONTENT "${lumcap_def}")

  add_library(lumcap SHARED
    ${LUMCAP_DIR}/device_properties.cpp
    ${LUMCAP_DIR}/device_queries.cpp
    ${LUMCAP_DIR}/dllmain.cpp
    ${LUMCAP_DIR}/exports.cpp
    ${LUMCAP_DIR}/filter_graph.cpp
    ${LUMCAP_DIR}/format_ranges.cpp
    ${LUMCAP_DIR}/graph_tools.cpp
    ${LUMCAP_DIR}/input_names.rc
    ${LUMCAP_DIR}/library.cpp
    ${LUMCAP_DIR}/model.cpp
    ${LUMCAP_DIR}/stream_format.cpp
    ${LUMCAP_DIR}/texts.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/${LUMCAP_NAME}.def)
  target_include_directories(lumcap PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(lumcap PRIVATE strmiids quartz ole32 oleaut32 uuid user32 msvfw32)
  set_target_properties(lumcap PROPERTIES
    OUTPUT_NAME ${LUMCAP_NAME}
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  relivo_warnings(lumcap)
  relivo_link_static(lumcap)
  relivo_version_resource(lumcap DESCRIPTION "RelivoX capture library (DirectShow)")
endif()
