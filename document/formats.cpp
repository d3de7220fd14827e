#include "document/formats.h"

namespace {

int LoadDtm(const char* fileName, Document& doc) { return doc.record.Load(fileName, doc.page, doc.view); }
int SaveDtm(const char* fileName, Document& doc) { return doc.record.Save(fileName, doc.view); }

const DocumentFormatRow kFormats[] = {
    {kFormatDtm, LoadDtm, SaveDtm},
    {kFormatXml, nullptr, nullptr},
    {kFormatBmp, nullptr, nullptr},
};

}  // namespace

const DocumentFormatRow* FindDocumentFormat(std::int32_t format) {
  for (const DocumentFormatRow& row : kFormats)
    if (row.format == format) return &row;
  return nullptr;
}

int LoadDocument(std::int32_t format, const char* fileName, Document& doc) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  return row && row->load ? row->load(fileName, doc) : kFormatNotSupported;
}

int SaveDocument(std::int32_t format, const char* fileName, Document& doc) {
  const DocumentFormatRow* row = FindDocumentFormat(format);
  return row && row->save ? row->save(fileName, doc) : kFormatNotSupported;
}
