# The device simulator: a native Linux program. The native tree builds it
# as a target; the Windows trees compile it with the host's C++ compiler
# (MinGW cannot build it), since their end-to-end tests run against it.
set(_sim_dir ${CMAKE_CURRENT_LIST_DIR}/sim)
set(_sim_sources ${_sim_dir}/relivo_sim.cpp)
set(RELIVO_SIM ${CMAKE_BINARY_DIR}/host/relivo-sim CACHE INTERNAL "The device simulator of this tree")

if(RELIVO_NATIVE)
  add_executable(relivo_sim ${_sim_sources})
  set_target_properties(relivo_sim PROPERTIES OUTPUT_NAME relivo-sim
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/host)
  relivo_warnings(relivo_sim)
elseif(RELIVO_WINDOWS)
  find_program(RELIVO_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  add_custom_command(
    OUTPUT ${RELIVO_SIM}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${RELIVO_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -o ${RELIVO_SIM} ${_sim_sources}
    DEPENDS ${_sim_sources} ${_sim_dir}/sim_protocol.h ${_sim_dir}/sim_wire.h
    COMMENT "Building the device simulator with the host compiler"
    VERBATIM)
  add_custom_target(relivo_sim ALL DEPENDS ${RELIVO_SIM})
endif()
