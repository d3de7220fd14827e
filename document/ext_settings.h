// Fills the extension table from section "Ext" of the settings: keys "00"
// to "98", those that exist, in order, at most ten.
#pragma once
#include "document/file_select.h"

void ReadExtensionTable(FileSelection& files);
