# lumcap-snap.exe: a small command-line user of the capture library
# (cameras, ranges and properties; a still picture to a file; printed
# benchmarks). Lands next to the library in the tree's output folder.
if(RELIVO_WINDOWS)
  set(_snap_dir ${CMAKE_CURRENT_LIST_DIR}/lumcap-snap)
  add_executable(lumcap-snap ${_snap_dir}/lumcap_snap.cpp ${_snap_dir}/snap_options.cpp)
  target_include_directories(lumcap-snap PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(lumcap-snap PRIVATE relivo_capture_names gdi32)
  target_link_options(lumcap-snap PRIVATE -municode)
  set_target_properties(lumcap-snap PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT})
  add_dependencies(lumcap-snap lumcap)
  relivo_warnings(lumcap-snap)
  relivo_link_static(lumcap-snap)
endif()
