// Text drawn large into the pins: one character, or up to six, in a text
// font with its braille-font form beside or below it, sampled from a small
// monochrome picture. With a window the picture is also shown there.
#pragma once
#include <windows.h>

// Longest text RenderTextBig draws.
constexpr int kBigTextMax = 6;

// The first six characters of text, small, above their braille form.
bool RenderTextBig(HWND window, int x, int y, const char* text);
// One character large at the left, its braille form large at the right.
bool RenderCharBig(HWND window, int x, int y, char c);
