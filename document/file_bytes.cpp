#include "document/file_bytes.h"

#include "base/log.h"
#include "document/file_replace.h"

FileRead ReadDocumentFile(const char* name, std::size_t limit, std::vector<std::uint8_t>& out) {
  out.clear();
  File file(name, "rb");
  if (!file.get()) return FileRead::kCannotOpen;
  constexpr std::size_t kChunk = 64 * 1024;
  std::uint8_t chunk[kChunk];
  for (;;) {
    // One byte beyond the limit tells a file of exactly `limit` bytes from a longer one.
    std::size_t want = limit + 1 - out.size();
    std::size_t got = std::fread(chunk, 1, want < kChunk ? want : kChunk, file.get());
    out.insert(out.end(), chunk, chunk + got);
    if (out.size() > limit) {
      out.resize(limit);
      return FileRead::kTooLarge;
    }
    if (got == 0) break;
  }
  // A folder opens on some systems but cannot be read.
  return std::ferror(file.get()) ? FileRead::kCannotOpen : FileRead::kRead;
}

std::string TempFileName(const char* name) { return std::string(name) + kTempFileSuffix; }

FileWrite WriteDocumentFile(const char* name, const void* bytes, std::size_t size) {
  if (!name || !name[0]) return FileWrite::kCannotOpen;
  const std::string temp = TempFileName(name);
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return FileWrite::kCannotOpen;
  bool written = std::fwrite(bytes, 1, size, file) == size && CommitFile(file);
  written = std::fclose(file) == 0 && written;
  if (!written) {
    std::remove(temp.c_str());
    return FileWrite::kWriteFailed;
  }
  if (!ReplaceFileWith(temp.c_str(), name)) {
    std::remove(temp.c_str());
    return FileWrite::kCannotOpen;
  }
  return FileWrite::kWritten;
}

FileRead LoadDocumentBytes(const char* kind, const char* name, std::size_t limit, std::vector<std::uint8_t>& out) {
  FileRead read = ReadDocumentFile(name, limit, out);
  if (read == FileRead::kCannotOpen)
    LogWrite(
        "Err: %s beim \xD6"
        "ffnen von %s zum Lesen",
        kind, name ? name : "");
  return read;
}

bool SaveDocumentBytes(const char* kind, const char* name, const void* bytes, std::size_t size) {
  switch (WriteDocumentFile(name, bytes, size)) {
    case FileWrite::kCannotOpen:
      LogWrite(
          "Err: %s beim \xD6"
          "ffnen von %s zum Schreiben",
          kind, name ? name : "");
      return false;
    case FileWrite::kWriteFailed: LogWrite("Err: %s beim Schreiben von %s", kind, name); return false;
    case FileWrite::kWritten: break;
  }
  return true;
}
