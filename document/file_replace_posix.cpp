#include <unistd.h>

#include <cstdio>

#include "document/file_replace.h"

bool CommitFile(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool ReplaceFileWith(const char* finished, const char* target) { return std::rename(finished, target) == 0; }
