# Key definitions, hot keys and sound feedback.
# relivo_keys_model: the name table, key lines and the definition table, and
# the formatting of settings texts (all trees).
add_library(relivo_keys_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/keynames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keydefs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textformat.cpp)
target_link_libraries(relivo_keys_model PUBLIC relivo_shell_core)
relivo_warnings(relivo_keys_model)
if(RELIVO_FUZZ)
  # Coverage for the fuzzer: the parsers live in this library.
  target_compile_options(relivo_keys_model PRIVATE -fsanitize=fuzzer-no-link)
endif()

