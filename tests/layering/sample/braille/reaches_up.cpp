// The braille text uses the program's window.
#include "app/main_window.h"
