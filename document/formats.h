// The document formats the file commands load and save, in one table: the
// format number of the file selection picks a row, and a row without a
// function is a format the program does not read or write.
#pragma once
#include <cstdint>

#include "document/dot_page.h"
#include "document/file_select.h"
#include "document/picture.h"

// The settings the formats take from the program.
struct DocumentSettings {
  bool bmpGap = false;                                // two blank rows above the text line in a bitmap
  const char* language = "0049";                      // written into an XML file
  float pictureThreshold = kPictureThresholdDefault;  // percent, for pictures
  PictureMode pictureMode = PictureMode::kThreshold;  // pictures by the threshold or as their outline
};

// What loading and saving work on: the page, its packed record (braille
// cells and text included), the view that shows them, the settings and
// the platform's picture decoder (null: pictures cannot be opened).
struct Document {
  DotPage& page;
  DTM& record;
  PageObserver& view;
  DocumentSettings settings{};
  const PictureDecoder* pictures = nullptr;
};

// Both give the bytes (or 1) read or written, 0 on failure.
using DocumentLoadFn = int (*)(const char* fileName, Document& doc);
using DocumentSaveFn = int (*)(const char* fileName, Document& doc);

struct DocumentFormatRow {
  std::int32_t format;  // the number the extension table gives
  DocumentLoadFn load;  // null: not supported
  DocumentSaveFn save;  // null: not supported
};

// The result of a load or save of a format that has no function for it.
constexpr int kFormatNotSupported = -1;

// The row of a format number; null when there is none.
const DocumentFormatRow* FindDocumentFormat(std::int32_t format);
// True when the format's row has a save function.
bool CanSaveFormat(std::int32_t format);
// The file is read as a picture (a picture format, or a bitmap of another
// layout than the page's).
bool IsPictureFile(std::int32_t format, const char* fileName);

// Loads or saves with the function of the format's row: its result, or
// kFormatNotSupported.
int LoadDocument(std::int32_t format, const char* fileName, Document& doc);
int SaveDocument(std::int32_t format, const char* fileName, Document& doc);
