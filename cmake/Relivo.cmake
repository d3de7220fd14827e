# Build helpers shared by every folder.
#
# Three kinds of build share this tree:
#   RELIVO_WINDOWS  cross builds with MinGW-w64 (32- or 64-bit), tests under Wine
#   RELIVO_NATIVE   host build with GCC, AddressSanitizer and UBSan (model code)
#   RELIVO_FUZZ     host build with clang and libFuzzer (parsers of outside bytes)

set(RELIVO_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
# Pictures made by another program for the tests (tests/document).
set(RELIVO_TEST_PICTURES ${CMAKE_BINARY_DIR}/test-pictures)
file(MAKE_DIRECTORY ${RELIVO_TEST_RESULTS})

# Output folder laid out as the program runs from it.
set(RELIVO_OUT ${CMAKE_BINARY_DIR}/out)
file(MAKE_DIRECTORY ${RELIVO_OUT} ${RELIVO_OUT}/res ${RELIVO_OUT}/data)

# Every target of ours is built with these warnings; RELIVO_WERROR (the
# test command sets it) makes each one an error.
option(RELIVO_WERROR "Treat warnings as errors" OFF)
function(relivo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wformat=2)
  if(RELIVO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# relivo_link_static(target): no MinGW runtime DLLs needed next to the binary.
function(relivo_link_static target)
  if(RELIVO_WINDOWS)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# relivo_gtest(NAME name SOURCES ... LIBS ... [WORKING_DIRECTORY dir] [LABELS ...])
# One GoogleTest program, run by CTest as one test (under Wine in the
# Windows builds). Case results go to test-results/<name>.xml.
function(relivo_gtest)
  cmake_parse_arguments(T "" "NAME;WORKING_DIRECTORY;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  relivo_warnings(${T_NAME})
  relivo_link_static(${T_NAME})
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(xml ${RELIVO_TEST_RESULTS}/${T_NAME}.xml)
  if(RELIVO_WINDOWS)
    set(xml Z:${xml})  # Wine maps drive Z: to the Unix root
  endif()
  add_test(NAME ${T_NAME}
           COMMAND ${T_NAME} --gtest_output=xml:${xml}
           WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# relivo_fuzz(NAME name SOURCES ... LIBS ... CORPUS dir)
# A libFuzzer target; CTest replays the committed corpus through it once.
function(relivo_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT RELIVO_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  relivo_warnings(${F_NAME})
  add_test(NAME ${F_NAME}-corpus COMMAND ${F_NAME} -runs=0 ${F_CORPUS})
  set_tests_properties(${F_NAME}-corpus PROPERTIES TIMEOUT 120)
endfunction()

# relivo_include_parts(): a folder that several pieces of work share keeps
# one <piece>.cmake per piece beside its CMakeLists.txt.
macro(relivo_include_parts)
  file(GLOB _relivo_parts ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT _relivo_parts)
  foreach(_part ${_relivo_parts})
    include(${_part})
  endforeach()
endmacro()

# The project's version (project() in CMakeLists.txt) as a header for the
# program and the resources: generated/relivo_version.h. Targets that show it
# link relivo_version.
set(RELIVO_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/relivo_version.h.in ${RELIVO_GENERATED}/relivo_version.h @ONLY)
add_library(relivo_version INTERFACE)
target_include_directories(relivo_version INTERFACE ${RELIVO_GENERATED})

# relivo_version_resource(target DESCRIPTION text [COMMENTS text])
# Gives a program or library of ours its version block (res/version.rc):
# the project's version, its file name and what it is.
function(relivo_version_resource target)
  if(NOT RELIVO_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(V "" "DESCRIPTION;COMMENTS" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(file_type VFT_APP)
    set(file_name ${name}.exe)
  else()
    set(file_type VFT_DLL)
    set(file_name ${name}.dll)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT
       "#define RELIVO_FILE_DESCRIPTION \"${V_DESCRIPTION}\"\n#define RELIVO_FILE_NAME \"${file_name}\"\n#define RELIVO_FILE_COMMENTS \"${V_COMMENTS}\"\n#define RELIVO_FILE_TYPE ${file_type}\n#include \"version.rc\"\n")
  target_sources(${target} PRIVATE ${rc})
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}/res ${RELIVO_GENERATED}>)
endfunction()
