// A library file that reaches up into the program: the layering check must
// refuse it (tests/layering runs the check on this folder and expects it
// to fail).
#include "app/main_window.h"
