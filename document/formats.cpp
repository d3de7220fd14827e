#include "document/formats.h"

#include "document/bmp.h"
#include "document/xml.h"

namespace {

int LoadDtm(const char* fileName, Document& doc) { return doc.record.Load(fileName, doc.page, doc.view); }
int SaveDtm(const char* fileName, Document& doc) { return doc.record.Save(fileName, doc.view); }

int LoadXml(const char* fileName, Document& doc) { return XML().Load(fileName, doc.page, doc.view); }
int SaveXml(const char* fileName, Document& doc) {
  return XML().Save(fileName, doc.page, doc.record, doc.settings.language);
}

int LoadPictureFile(const char* fileName, Document& doc) {
  return LoadPicture(fileName, doc.pictures, doc.settings.pictureThreshold, doc.settings.pictureMode, doc.page,
                     doc.view);
}

// A bitmap of the page's own layout is a page; any other bitmap is a
// picture.
int LoadBmp(const char* fileName, Document& doc) {
  if (doc.pictures && BmpFileKind(fileName) == BmpKind::kOtherBitmap) return LoadPictureFile(fileName, doc);
  return BMP().Load(fileName, doc.page, doc.view);
}
int SaveBmp(const char* fileName, Document& doc) { return BMP().Save(fileName, doc.page, doc.settings.bmpGap); }

const DocumentFormatRow kFormats[] = {
    {kFormatDtm, LoadDtm, SaveDtm},         {kFormatXml, LoadXml, SaveXml},
    {kFormatBmp, LoadBmp, SaveBmp},         {kFormatPng, LoadPictureFile, nullptr},
    {kFormatJpg, LoadPictureFile, nullptr}, {kFormatJpeg, LoadPictureFile, nullptr},
    {kFormatGif, LoadPictureFile, nullptr},
};

}  // namespace

const DocumentFormatRow* FindDocumentFormat(std::int32_t format) {
  for (const DocumentFormatRow& row : kFormats)
    if (row.format == format) return &row;
  return nullptr;
}

bool CanSaveFormat(std::int32_t format) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  return row && row->save;
}

bool IsPictureFile(std::int32_t format, const char* fileName) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  if (!row) return false;
  return row->load == LoadPictureFile || (format == kFormatBmp && BmpFileKind(fileName) == BmpKind::kOtherBitmap);
}

int LoadDocument(std::int32_t format, const char* fileName, Document& doc) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  return row && row->load ? row->load(fileName, doc) : kFormatNotSupported;
}

int SaveDocument(std::int32_t format, const char* fileName, Document& doc) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  return row && row->save ? row->save(fileName, doc) : kFormatNotSupported;
}
