#include "document/ext_settings.h"

#include "base/settings.h"

void ReadExtensionTable(FileSelection& files) {
  files.extCount = 0;
  ForEachNumberedKey("Ext", 98, [&files](int, const char* value) {
    AddExtension(files, value);
    return files.extCount < kExtEntries;
  });
}
