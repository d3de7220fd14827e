// The two platform steps of a safe save: the bytes of a written file made
// durable, and a finished file put in the place of another in one step.
#pragma once
#include <cstdio>

// Flushes the file's buffers and asks the system to put its bytes on the
// disk; false when either fails.
bool CommitFile(std::FILE* file);
// Moves `finished` to `target`, replacing a file there; false (and both
// files as they were) when that cannot be done.
bool ReplaceFileWith(const char* finished, const char* target);
