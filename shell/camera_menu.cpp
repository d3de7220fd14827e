#include "shell/camera_menu.h"

// The program binds no capture library yet: both lists are empty.
void FillCameraMenu(HMENU menu) { (void)menu; }
void FillResolutionMenu(HMENU menu) { (void)menu; }
