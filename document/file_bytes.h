// Whole document files in and out: every read is bounded, every write is
// one block that is flushed before it counts as written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A std::FILE opened on construction and closed at the end.
class File {
 public:
  File(const char* name, const char* mode) : f_(name ? std::fopen(name, mode) : nullptr) {}
  ~File() {
    if (f_) std::fclose(f_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() const { return f_; }

 private:
  std::FILE* f_;
};

enum class FileRead {
  kRead,        // the whole file is in the buffer
  kCannotOpen,  // missing, not a file, or unreadable
  kTooLarge,    // longer than the limit: the buffer holds the first `limit` bytes
};

// Reads a file in binary mode, at most `limit` bytes.
FileRead ReadDocumentFile(const char* name, std::size_t limit, std::vector<std::uint8_t>& out);

enum class FileWrite { kWritten, kCannotOpen, kWriteFailed };

// Beside the file while it is saved: name + this.
constexpr const char* kTempFileSuffix = ".tmp";
std::string TempFileName(const char* name);

// Writes the bytes in binary mode into a new file beside `name` and, once
// every byte is on the disk, puts it in the place of `name`. A write that
// fails part way (a full disk, a stick pulled out) leaves the file as it
// was and no new file beside it. kCannotOpen when the new file cannot be
// made or cannot take the old one's place.
FileWrite WriteDocumentFile(const char* name, const void* bytes, std::size_t size);

// The same for a format's Load and Save, with the log lines of a failure:
// "Err: <kind> beim Öffnen von <name> zum Lesen" when the file cannot be
// read, "... zum Schreiben" when it cannot be created, "Err: <kind> beim
// Schreiben von <name>" when writing fails. A save gives true only when
// every byte is written.
FileRead LoadDocumentBytes(const char* kind, const char* name, std::size_t limit, std::vector<std::uint8_t>& out);
bool SaveDocumentBytes(const char* kind, const char* name, const void* bytes, std::size_t size);
