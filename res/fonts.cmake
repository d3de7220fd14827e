# The fonts the program registers for itself ([Braillefont]), in the
# output's fonts folder: its own braille font, made here with fontTools,
# and the text faces, bold DejaVu Sans Mono and DejaVu Sans, copied from
# Debian's fonts-dejavu-core with their licence.
if(NOT RELIVO_WINDOWS)
  return()
endif()

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_font_python ${Python3_EXECUTABLE})
execute_process(COMMAND ${_font_python} -c "import fontTools" RESULT_VARIABLE _font_rc OUTPUT_QUIET ERROR_QUIET)
if(NOT _font_rc EQUAL 0)
  # An interpreter of its own (pyenv, a venv) may lack Debian's python3-fonttools.
  find_program(_font_system_python python3 PATHS /usr/bin NO_DEFAULT_PATH)
  set(_font_python ${_font_system_python})
  execute_process(COMMAND ${_font_python} -c "import fontTools" RESULT_VARIABLE _font_rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT _font_rc EQUAL 0)
    message(FATAL_ERROR "fontTools not found: install python3-fonttools")
  endif()
endif()

set(_font_dir ${RELIVO_OUT}/fonts)
set(_dejavu_dir /usr/share/fonts/truetype/dejavu)
set(_dejavu_faces DejaVuSansMono-Bold.ttf DejaVuSans-Bold.ttf)
set(_dejavu_licence /usr/share/doc/fonts-dejavu-core/copyright)
foreach(face ${_dejavu_faces})
  if(NOT EXISTS ${_dejavu_dir}/${face})
    message(FATAL_ERROR "${_dejavu_dir}/${face} not found: install fonts-dejavu-core")
  endif()
endforeach()

set(_font_outputs ${_font_dir}/RelivoBraille.ttf ${_font_dir}/DejaVu-licence.txt)
set(_font_copies)
foreach(face ${_dejavu_faces})
  list(APPEND _font_outputs ${_font_dir}/${face})
  list(APPEND _font_copies COMMAND ${CMAKE_COMMAND} -E copy ${_dejavu_dir}/${face} ${_font_dir}/${face})
endforeach()
add_custom_command(OUTPUT ${_font_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_font_dir}
  COMMAND ${_font_python} ${CMAKE_CURRENT_LIST_DIR}/make_braille_font.py ${_font_dir}/RelivoBraille.ttf
  ${_font_copies}
  COMMAND ${CMAKE_COMMAND} -E copy ${_dejavu_licence} ${_font_dir}/DejaVu-licence.txt
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_braille_font.py
  COMMENT "Making the braille font, copying the text fonts")
add_custom_target(relivo_fonts_files ALL DEPENDS ${_font_outputs})
if(TARGET RelivoX)
  add_dependencies(RelivoX relivo_fonts_files)
endif()
