#include "document/dtm.h"

#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "document/file_bytes.h"

const char kDtmMagic[7] = {'_', 'd', 't', 'm', '_', '<', '('};

int DtmParse(DTM& record, const std::uint8_t* bytes, std::size_t size) {
  std::memset(record.Bytes(), 0, kDtmSize);
  std::memset(record.text, 0, sizeof record.text);
  std::size_t n = size < static_cast<std::size_t>(kDtmSize) ? size : static_cast<std::size_t>(kDtmSize);
  if (n > 0 && bytes) std::memcpy(record.Bytes(), bytes, n);
  return static_cast<int>(n);
}

int DTM::Load(const char* fileName, DotPage& page, PageObserver& view) {
  File file(fileName, "rb");
  if (!file.get()) {
    LogWrite("Err: DTM::Load %s", fileName ? fileName : "");
    return 0;
  }
  std::uint8_t image[kDtmSize];
  std::size_t got = std::fread(image, 1, sizeof image, file.get());
  if (got == 0) {
    // Nothing read (an empty file, or a folder): the page stays.
    LogWrite("Err: DTM::Load %s ist leer", fileName);
    return 0;
  }
  int bytes = DtmParse(*this, image, got);

  char message[kDtmTextBuffer + 300];
  std::snprintf(message, sizeof message, "Load %s mit %d Byte.", fileName, bytes);
  LogWrite("%s", message);
  view.ShowStatus(message);
  UnpackPage(page, *this, view);
  UnpackTextLine(page, *this, view);
  if (text[0] != '\0') view.SetEditText(text);
  return bytes;
}

int DTM::Save(const char* fileName, PageObserver& view) {
  std::memcpy(header, kDtmMagic, sizeof kDtmMagic);
  const FileWrite written = WriteDocumentFile(fileName, Bytes(), kDtmSize);
  if (written == FileWrite::kCannotOpen) {
    LogWrite(
        "Err: DTM beim \xD6"
        "ffnen von: %s",
        fileName ? fileName : "");
    return 0;
  }
  // A failed write left the file as it was.
  const int bytes = written == FileWrite::kWritten ? kDtmSize : 0;
  // The text field holds at most 20 bytes and need not be terminated.
  LogWrite("DTM::Save %s mit %d Byte. [%.20s]", fileName, bytes, text);
  char message[kDtmTextBuffer + 300];
  std::snprintf(message, sizeof message, "Save %s mit %d Byte.", fileName, bytes);
  view.ShowStatus(message);
  return bytes;
}
