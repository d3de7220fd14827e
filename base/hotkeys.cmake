# Key definitions, hot keys and sound feedback.
# relivo_keys_model: the name table, key lines and the definition table, and
# the formatting of settings texts (all trees).
add_library(relivo_keys_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/keynames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keydefs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textformat.cpp)
target_link_libraries(relivo_keys_model PUBLIC relivo_base)
relivo_warnings(relivo_keys_model)
if(RELIVO_FUZZ)
  # Coverage for the fuzzer: the parsers live in this library.
  target_compile_options(relivo_keys_model PRIVATE -fsanitize=fuzzer-no-link)
endif()

if(RELIVO_WINDOWS)
  # The keyboard hook, FindKey and the system-wide hot keys.
  add_library(relivo_hotkeys STATIC ${CMAKE_CURRENT_LIST_DIR}/hotkeys.cpp)
  target_link_libraries(relivo_hotkeys PUBLIC relivo_keys_model relivo_settings user32)
  relivo_warnings(relivo_hotkeys)

  # PlayEventSound: media control command strings and the wave player.
  add_library(relivo_sound STATIC ${CMAKE_CURRENT_LIST_DIR}/sound.cpp)
  target_link_libraries(relivo_sound PUBLIC relivo_settings winmm)
  relivo_warnings(relivo_sound)
endif()
