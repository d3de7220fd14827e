# liblouis32.dll: the braille translator the program loads at run time,
# cross-compiled from the vendored 3.24.0 sources, with the tables from
# Debian's liblouis-data in the output's tbl folder.
if(RELIVO_WIN32)
  set(louis_src ${RELIVO_LIBLOUIS_DIR}/liblouis)
  if(NOT EXISTS ${louis_src}/liblouis.h.in)
    message(FATAL_ERROR "liblouis sources not found in ${RELIVO_LIBLOUIS_DIR} (set RELIVO_LIBLOUIS_DIR)")
  endif()
  set(louis_gen ${CMAKE_CURRENT_BINARY_DIR}/louis-include)
  file(READ ${louis_src}/liblouis.h.in louis_header)
  string(REPLACE "@WIDECHAR_TYPE@" "unsigned int" louis_header "${louis_header}")
  file(WRITE ${louis_gen}/liblouis.h.tmp "${louis_header}")
  configure_file(${louis_gen}/liblouis.h.tmp ${louis_gen}/liblouis.h COPYONLY)

  add_library(liblouis32 SHARED
    ${louis_src}/compileTranslationTable.c
    ${louis_src}/lou_translateString.c
    ${louis_src}/lou_backTranslateString.c
    ${louis_src}/commonTranslationFunctions.c
    ${louis_src}/metadata.c
    ${louis_src}/pattern.c
    ${louis_src}/logging.c
    ${louis_src}/utils.c)
  target_include_directories(liblouis32 PRIVATE ${louis_gen} ${louis_src} ${RELIVO_LIBLOUIS_DIR}/windows/include)
  target_compile_definitions(liblouis32 PRIVATE WIDECHARS_ARE_UCS4 HAVE_CONFIG_H)
  # Vendored code: built as it is, its own warnings are not ours to mend.
  target_compile_options(liblouis32 PRIVATE -w)
  set_target_properties(liblouis32 PROPERTIES
    PREFIX "" OUTPUT_NAME liblouis32
    RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT}
    LIBRARY_OUTPUT_DIRECTORY ${RELIVO_OUT})
  target_link_options(liblouis32 PRIVATE -Wl,--export-all-symbols -Wl,--add-stdcall-alias)
  relivo_link_static(liblouis32)

  add_custom_target(louis_tables ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${RELIVO_LOUIS_TABLES} ${RELIVO_OUT}/tbl
    COMMENT "Copying the braille tables")
endif()
