// Start-up, message loop and shutdown of the program.
#pragma once
#include <windows.h>

// Runs the program; returns the process exit code.
int RunProgram(HINSTANCE instance);

// Day, month and year of a compiler date text ("Dec  7 2026"); false when
// it cannot be read.
bool ParseBuildDate(const char* text, int& day, int& month, int& year);
