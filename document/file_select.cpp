#include "document/file_select.h"

#include <cstring>

#include "base/text.h"

namespace {

void UpperAscii(char* dest, std::size_t size, const char* src) {
  std::size_t n = CopyText(dest, size, src);
  for (std::size_t i = 0; i < n; ++i)
    if (dest[i] >= 'a' && dest[i] <= 'z') dest[i] = static_cast<char>(dest[i] - 'a' + 'A');
}

}  // namespace

bool AddExtension(FileSelection& files, const char* extension) {
  if (files.extCount < 0) files.extCount = 0;
  if (files.extCount >= kExtEntries) return false;
  CopyText(files.extTable[files.extCount], kExtEntryMax, extension);
  ++files.extCount;
  return true;
}

std::int32_t FormatFromExtension(const FileSelection& files, const char* extension) {
  char ext[kFileExtMax];
  UpperAscii(ext, sizeof ext, extension);
  std::int32_t format = kFormatUnknown;
  int count = files.extCount < kExtEntries ? files.extCount : kExtEntries;
  for (int i = 0; i < count; ++i) {
    char entry[kExtEntryMax];
    UpperAscii(entry, sizeof entry, files.extTable[i]);
    if (std::strstr(entry, ext)) format = i;
  }
  return format;
}

void ClearChoice(FileSelection& files) {
  files.format = kFormatUnknown;
  files.title[0] = files.path[0] = files.extension[0] = '\0';
}

void SetChoice(FileSelection& files, const char* path, int nameOffset, int extOffset) {
  ClearChoice(files);
  if (!path) return;
  CopyText(files.path, sizeof files.path, path);
  int length = static_cast<int>(std::strlen(files.path));
  char stem[kFilePathMax];
  CopyText(stem, sizeof stem, files.path);
  if (extOffset > 0 && extOffset <= length) {
    CopyText(files.extension, sizeof files.extension, files.path + extOffset);
    if (files.path[extOffset - 1] == '.') stem[extOffset - 1] = '\0';
  }
  if (nameOffset < 0 || nameOffset > static_cast<int>(std::strlen(stem))) nameOffset = 0;
  CopyText(files.title, sizeof files.title, stem + nameOffset);
  // A name that ends in a dot has no extension to cut off, and no format:
  // the empty extension would match every entry of the table.
  const bool endsInDot = length > 0 && files.path[length - 1] == '.';
  files.format = endsInDot ? kFormatUnknown : FormatFromExtension(files, files.extension);
}
