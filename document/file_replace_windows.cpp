#include <windows.h>
#include <io.h>

#include "document/file_replace.h"

bool CommitFile(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool ReplaceFileWith(const char* finished, const char* target) {
  // Write-through: the call returns once the move itself is on the disk.
  return MoveFileExA(finished, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
