# Stages the program folder as it ships (`cmake --install`, component
# "program", stripped) into STAGE, and touches STAMP only when what ships
# has changed, so that the archive and the installer are made again only
# then. It runs on every build: the data files (sounds, fonts, tables) are
# made by targets whose files the build cannot follow from here.
# cmake -DBUILD=<tree> -DPROGRAM=<RelivoX.exe> -DSTAGE=<folder> -DSTAMP=<file> -P stage.cmake
set(fresh ${STAGE}.new)
file(REMOVE_RECURSE ${fresh})
# Stripping writes a time into each program's header: the time of the
# program's build (or SOURCE_DATE_EPOCH), so that the same build stages
# the same bytes.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  file(TIMESTAMP ${PROGRAM} epoch "%s" UTC)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
                        ${CMAKE_COMMAND} --install ${BUILD} --prefix ${fresh} --component program --strip
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "staging the program folder failed (${rc})")
endif()
execute_process(COMMAND diff -r -q ${fresh} ${STAGE} RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
if(differs EQUAL 0 AND EXISTS ${STAMP})
  file(REMOVE_RECURSE ${fresh})
  return()
endif()
file(REMOVE_RECURSE ${STAGE})
file(RENAME ${fresh} ${STAGE})
file(TOUCH ${STAMP})
message(STATUS "Staged the program folder as it ships: ${STAGE}")
