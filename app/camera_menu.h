// The live lists behind the camera and resolution submenus. The menu build
// asks for them at every rebuild; the camera code (app/camera_link.cpp)
// fills them and refills the same menus (Menus().camera, Menus().resolution)
// when its lists change.
#pragma once
#include <windows.h>

// The camera entry of the menu bar, by position.
constexpr int kCameraMenuPosition = 4;

// Appends one entry per present camera (CMD_CAM + n); nothing while no
// capture library is bound.
void FillCameraMenu(HMENU menu);
// Appends the chosen camera's resolutions (CMD_CAMRES_FIRST + n), the chosen
// one checked; nothing while no camera is usable.
void FillResolutionMenu(HMENU menu);
