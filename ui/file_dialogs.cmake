# The open and save dialogs of the documents (the commands that use them
# are the program's own).
if(RELIVO_WINDOWS)
  add_library(relivo_file_dialogs STATIC ${CMAKE_CURRENT_LIST_DIR}/file_dialogs.cpp)
  target_link_libraries(relivo_file_dialogs PUBLIC relivo_document relivo_settings comdlg32)
  relivo_warnings(relivo_file_dialogs)
endif()
