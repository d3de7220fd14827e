// The open and save dialogs of the documents: the platform's common file
// dialogs, whose choice fills a file selection record.
#pragma once
#include <windows.h>

#include "document/file_select.h"

constexpr int kFilterMax = 256;  // the filter text with its NUL separators

// Runs the open dialog over `owner` (the file must exist) and fills `files`
// with the chosen file and its format; false when the user cancelled.
bool OpenFileDialog(HWND owner, FileSelection& files);
// The same with the save dialog: default extension "dtm", the user is asked
// before a file is overwritten or created.
bool SaveFileDialog(HWND owner, FileSelection& files);
