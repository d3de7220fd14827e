// A service of the bottom layer that uses a folder above it.
#include "document/dot_page.h"
