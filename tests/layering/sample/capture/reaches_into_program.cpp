// The capture library is a deliverable of its own: it uses the program's
// settings.
#include "base/settings.h"
#include "ui/dialogs.h"
