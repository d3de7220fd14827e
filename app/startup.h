// Start-up, message loop and shutdown of the program.
#pragma once
#include <windows.h>

// Runs the program; returns the process exit code.
int RunProgram(HINSTANCE instance);
