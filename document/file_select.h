// The file selection shared by the three document formats: the last chosen
// file and the table of extensions that gives a file its format.
#pragma once
#include <cstdint>

constexpr int kFileTitleMax = 256;
constexpr int kFilePathMax = 256;
constexpr int kFileExtMax = 56;
constexpr int kExtEntries = 10;
constexpr int kExtEntryMax = 16;  // 15 characters and the terminator

// Format numbers the program acts on; the settings list the extensions so
// that these indices come out ("01" = dtm, "02" = xml, "03" = bmp, then
// the pictures "04" = png, "05" = jpg, "06" = jpeg, "07" = gif).
enum DocumentFormat : std::int32_t {
  kFormatUnknown = 0,
  kFormatDtm = 1,
  kFormatXml = 2,
  kFormatBmp = 3,
  kFormatPng = 4,
  kFormatJpg = 5,
  kFormatJpeg = 6,
  kFormatGif = 7,
};

struct FileSelection {
  std::int32_t format;
  char title[kFileTitleMax];
  char path[kFilePathMax];
  char extension[kFileExtMax];
  char extTable[kExtEntries][kExtEntryMax];
  std::int32_t extCount;
};

// Appends an extension read from the settings; false when the table is full.
// A longer text is cut to 15 characters.
bool AddExtension(FileSelection& files, const char* extension);
// Index of the last table entry that contains the extension (ASCII letters
// compared as capitals), 0 when none does. An empty extension matches every
// entry.
std::int32_t FormatFromExtension(const FileSelection& files, const char* extension);
// Clears format, title, path and extension (the table stays).
void ClearChoice(FileSelection& files);
// Fills path, extension, title and format from a chosen path the way the
// file dialogs report it: `extOffset` and `nameOffset` index into `path` (0
// for no extension); the path copy is cut before the dot of the extension.
// A name that ends in a dot ("page.") gets the unknown format.
void SetChoice(FileSelection& files, const char* path, int nameOffset, int extOffset);
