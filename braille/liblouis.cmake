# liblouis32.dll / liblouis64.dll: the braille translator the program loads
# at run time, cross-compiled from the liblouis 3.24.0 sources in
# RELIVO_LIBLOUIS_DIR, with the tables from Debian's liblouis-data in the
# output's tbl folder. Without the sources the program is built and runs
# without its translator (it is made to run on without one), and the
# translator's test is listed as not run.
if(NOT RELIVO_WINDOWS)
  return()
endif()

add_custom_target(louis_tables ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${RELIVO_LOUIS_TABLES} ${RELIVO_OUT}/tbl
  COMMENT "Copying the braille tables")

set(louis_src ${RELIVO_LIBLOUIS_DIR}/liblouis)
if(NOT EXISTS ${louis_src}/liblouis.h.in)
  message(WARNING
    "The braille translator liblouis${RELIVO_BITS}.dll is not built: no liblouis sources in "
    "${RELIVO_LIBLOUIS_DIR}. The program is built and runs without it; its test is not run. "
    "To build it, unpack the liblouis 3.24.0 sources there, or into any folder and configure "
    "with -DRELIVO_LIBLOUIS_DIR=<that folder>.")
  return()
endif()

set(louis_gen ${CMAKE_CURRENT_BINARY_DIR}/louis-include)
file(READ ${louis_src}/liblouis.h.in louis_header)
string(REPLACE "@WIDECHAR_TYPE@" "unsigned int" louis_header "${louis_header}")
file(WRITE ${louis_gen}/liblouis.h.tmp "${louis_header}")
configure_file(${louis_gen}/liblouis.h.tmp ${louis_gen}/liblouis.h COPYONLY)

add_library(liblouis SHARED
  ${louis_src}/compileTranslationTable.c
  ${louis_src}/lou_translateString.c
  ${louis_src}/lou_backTranslateString.c
  ${louis_src}/commonTranslationFunctions.c
  ${louis_src}/metadata.c
  ${louis_src}/pattern.c
  ${louis_src}/logging.c
  ${louis_src}/utils.c)
target_include_directories(liblouis PRIVATE ${louis_gen} ${louis_src} ${RELIVO_LIBLOUIS_DIR}/windows/include)
target_compile_definitions(liblouis PRIVATE WIDECHARS_ARE_UCS4 HAVE_CONFIG_H)
# Vendored code: built as it is, its own warnings are not ours to mend.
target_compile_options(liblouis PRIVATE -w)
set_target_properties(liblouis PROPERTIES
  PREFIX "" OUTPUT_NAME liblouis${RELIVO_BITS}
  RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT}
  LIBRARY_OUTPUT_DIRECTORY ${RELIVO_OUT})
target_link_options(liblouis PRIVATE -Wl,--export-all-symbols)
if(RELIVO_WIN32)
  # Plain names beside the decorated standard-call ones.
  target_link_options(liblouis PRIVATE -Wl,--add-stdcall-alias)
endif()
relivo_link_static(liblouis)
relivo_version_resource(liblouis DESCRIPTION "liblouis braille translator for RelivoX"
                        COMMENTS "liblouis 3.24.0, GNU LGPL 2.1 or later; built for RelivoX")
