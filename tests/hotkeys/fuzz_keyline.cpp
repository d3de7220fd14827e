// Key definition lines and settings texts as a translator or user writes
// them: parsed, stored, looked up and used as formats.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/keydefs.h"
#include "base/keynames.h"
#include "base/textformat.h"
#include "tests/fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static KeyDefinitions defs;
  QuietLog();
  std::string line(reinterpret_cast<const char*>(data), size);
  HotKeyDef def = ParseKeyLine(line.c_str());
  int index = -1;
  StoreKeyDefinition(defs, def, &index);
  if (def.parameter == kGlobalHotKeyParameter) AddRegisteredHotKey(defs, def.command);
  MatchKey(defs, def.key, def.shift != 0, def.ctrl != 0, def.alt != 0);
  if (CountKeyDefinitions(defs) >= kHotKeyDefinitionsMax) ClearKeyDefinitions(defs);
  NameToValue(line.c_str());

  FormatArg args[] = {IntArg(def.key), TextArg(line.c_str()), IntArg(def.command), TextArg("RelivoX"),
                      IntArg(def.parameter)};
  char out[257];
  FormatUserText(out, sizeof out, line.c_str(), args, sizeof args / sizeof args[0]);
  return 0;
}
