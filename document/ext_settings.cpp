#include "document/ext_settings.h"

#include <cstdio>

#include "shell/settings.h"

void ReadExtensionTable(FileSelection& files) {
  files.extCount = 0;
  for (int n = 0; n <= 98 && files.extCount < kExtEntries; ++n) {
    char key[4];
    std::snprintf(key, sizeof key, "%02d", n);
    if (!ProfileHasKey(key, "Ext")) continue;
    char value[kValueMax];
    ProfileGetString(key, value, "", "Ext", sizeof value);
    AddExtension(files, value);
  }
}
