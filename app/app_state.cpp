#include "app/app_state.h"

AppState g_app;
MainWindowState g_main;
PageView g_view;
ToolState g_tools;
PinCursor g_cursor;
DotPage g_page = {};
DTM g_dtm = {};
FileSelection g_files = {};
LouisModule g_louis;
BrailleSelection g_braille;
