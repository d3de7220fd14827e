#include "document/xml.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/log.h"
#include "base/text.h"
#include "document/file_bytes.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kTagDot = "<dot>";
constexpr const char* kTagImage = "<image>";
constexpr const char* kTagImageEnd = "</image>";
constexpr const char* kTagInfo = "<info>";
constexpr const char* kTagInfoEnd = "</info>";
constexpr const char* kTagLanguage = "<lng";
constexpr const char* kTagLanguageEnd = "</lng";
constexpr const char* kTagDotEnd = "</dot";

// Control characters and the space: cut from the end of every line.
bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendHex(std::string& out, unsigned value) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += kDigits[(value >> 4) & 0xF];
  out += kDigits[value & 0xF];
}

// Packs pins eight to a byte, first pin in the top bit; a pin counts when
// its byte is not 0.
void AppendPins(std::string& out, const std::uint8_t* pins, int count) {
  for (int i = 0; i < count; i += 8) {
    unsigned byte = 0;
    for (int b = 0; b < 8; ++b)
      if (pins[i + b] != 0) byte |= 0x80u >> b;
    AppendHex(out, byte);
  }
}

struct Line {
  const char* start;
  std::size_t length;  // without the blanks at its end
  int number;          // from 1
};

// Walks the bytes line by line; a line ends at LF (a CR before it is a blank).
class LineReader {
 public:
  LineReader(const char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  bool Next(Line& line) {
    if (pos_ >= size_) return false;
    const char* start = bytes_ + pos_;
    const void* lf = std::memchr(start, '\n', size_ - pos_);
    std::size_t length = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : size_ - pos_;
    pos_ += length + (lf ? 1 : 0);
    while (length > 0 && IsBlank(start[length - 1])) --length;
    line = Line{start, length, ++number_};
    return true;
  }

 private:
  const char* bytes_;
  std::size_t size_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

bool LineHasTag(const Line& line, const char* tag) {
  const std::size_t n = std::strlen(tag);
  for (std::size_t i = 0; i + n <= line.length; ++i) {
    std::size_t k = 0;
    while (k < n && UpperAscii(line.start[i + k]) == UpperAscii(tag[k])) ++k;
    if (k == n) return true;
  }
  return false;
}

class PageReader {
 public:
  PageReader(const char* bytes, std::size_t size, XmlReading& result)
      : lines_(bytes, size), result_(result), bytes_(bytes) {}

  // Reads lines up to the one that holds the tag.
  bool Find(const char* tag) {
    Line line;
    while (lines_.Next(line)) {
      if (LineHasTag(line, tag)) {
        Note(tag, line);
        return true;
      }
    }
    return Fail(XmlProblem::kMissingTag, tag, 0);
  }

  // The line after an opening tag, then its closing tag. A content line
  // that holds the closing tag itself is empty content.
  bool Content(const char* closeTag, Line& content) {
    if (!lines_.Next(content)) return Fail(XmlProblem::kMissingTag, closeTag, 0);
    if (LineHasTag(content, closeTag)) {
      Note(closeTag, content);
      content.length = 0;
      return true;
    }
    return Find(closeTag);
  }

  bool Fail(XmlProblem problem, const char* tag, int line) {
    result_.problem = problem;
    result_.tag = tag;
    result_.line = line;
    return false;
  }

 private:
  void Note(const char* tag, const Line& line) {
    if (result_.foundCount >= kXmlTagCount) return;
    result_.found[result_.foundCount++] =
        XmlReading::Found{tag, static_cast<std::size_t>(line.start - bytes_), line.length};
  }

  LineReader lines_;
  XmlReading& result_;
  const char* bytes_;
};

// Decodes up to `maxDigits` hex digits of a line (leading blanks skipped)
// into bytes; the rest of a longer line is not read.
XmlProblem DecodeHex(const Line& line, int maxDigits, std::vector<std::uint8_t>& out) {
  out.clear();
  std::size_t i = 0;
  while (i < line.length && IsBlank(line.start[i])) ++i;
  const std::size_t digits = std::min(line.length - i, static_cast<std::size_t>(maxDigits));
  if (digits % 2 != 0) return XmlProblem::kOddDigits;
  for (std::size_t k = 0; k < digits; k += 2) {
    int high = HexValue(line.start[i + k]), low = HexValue(line.start[i + k + 1]);
    if (high < 0 || low < 0) return XmlProblem::kBadHex;
    out.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return XmlProblem::kNone;
}

const char* ProblemText(XmlProblem problem) {
  switch (problem) {
    case XmlProblem::kNul: return "NUL-Byte";
    case XmlProblem::kMissingTag: return "Tag fehlt";
    case XmlProblem::kBadHex: return "keine Hexziffer";
    case XmlProblem::kOddDigits: return "ungerade Zahl von Hexziffern";
    case XmlProblem::kNone: break;
  }
  return "";
}

bool Bit(const std::vector<std::uint8_t>& bytes, std::size_t bit) { return (bytes[bit / 8] >> (7 - bit % 8)) & 1u; }

// The text line as XML text: markup characters and control characters as
// references, so that no text can end the element early or make the file
// ill-formed for another reader.
std::string EscapeText(const char* text, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (c < 32 && c != '\t') {
          out += "&#" + std::to_string(c) + ";";
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

// The character a reference at `at` stands for, and its length; 0 when
// there is none (the ampersand is then taken as it stands, as in files
// written before texts were escaped).
std::size_t ReadReference(const char* at, std::size_t left, char& c) {
  static const struct {
    const char* name;
    char c;
  } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  for (const auto& n : kNamed) {
    const std::size_t length = std::strlen(n.name);
    if (left >= length && std::memcmp(at, n.name, length) == 0) {
      c = n.c;
      return length;
    }
  }
  if (left < 4 || at[1] != '#') return 0;
  const bool hex = at[2] == 'x' || at[2] == 'X';
  unsigned value = 0;
  std::size_t i = hex ? 3 : 2;
  const std::size_t first = i;
  for (; i < left && i < first + 3; ++i) {
    const int digit = hex ? HexValue(at[i]) : (at[i] >= '0' && at[i] <= '9' ? at[i] - '0' : -1);
    if (digit < 0) break;
    value = value * (hex ? 16u : 10u) + static_cast<unsigned>(digit);
  }
  if (i == first || i >= left || at[i] != ';' || value == 0 || value > 255) return 0;
  c = static_cast<char>(value);
  return i + 1;
}

// Unescapes a text line into `out` (at most size - 1 characters).
void UnescapeTextLine(const char* text, std::size_t length, char* out, std::size_t size) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < length && n + 1 < size;) {
    char c = text[i];
    const std::size_t used = c == '&' ? ReadReference(text + i, length - i, c) : 0;
    out[n++] = c;
    i += used ? used : 1;
  }
  out[n] = '\0';
}

}  // namespace

std::string XmlFormat(const DotPage& page, const char* text, const char* language) {
  // 20 pins of each text row are two and a half bytes: the rows run on bit by bit.
  static_assert(kTextRows * kXmlInfoColumns % 8 == 0, "the info line is whole bytes");
  std::uint8_t info[kTextRows * kXmlInfoColumns];
  for (int row = 0; row < kTextRows; ++row)
    std::memcpy(info + row * kXmlInfoColumns, page.textPins + row * kPageColumns, kXmlInfoColumns);
  std::string image, infoLine;
  AppendPins(image, page.pins, kPagePins);
  AppendPins(infoLine, info, kTextRows * kXmlInfoColumns);
  std::string textLine;
  if (text) {
    const void* end = std::memchr(text, '\0', kDtmTextBuffer);
    textLine = EscapeText(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : kDtmTextBuffer);
  }
  const std::string lines[] = {
      "<?xml version=\"1.0\" standalone=\"no\"?>",
      kTagDot,
      kTagImage,
      image,
      kTagImageEnd,
      kTagInfo,
      infoLine,
      kTagInfoEnd,
      std::string(kTagLanguage) + " value=\"" + (language ? language : "") + "\">",
      textLine,
      std::string(kTagLanguageEnd) + ">",
      std::string(kTagDotEnd) + ">",
  };
  std::string out;
  for (const std::string& line : lines) out += line + kLineEnd;
  return out;
}

XmlReading XmlReadPage(const char* bytes, std::size_t size, DotPage& page) {
  XmlReading result;
  PageReader reader(bytes, size, result);
  if (size > 0 && std::memchr(bytes, '\0', size)) {
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(std::memchr(bytes, '\0', size)) - bytes);
    reader.Fail(XmlProblem::kNul, nullptr, static_cast<int>(std::count(bytes, bytes + at, '\n')) + 1);
    return result;
  }
  std::vector<std::uint8_t> hex;
  Line image, info, text;
  if (!reader.Find(kTagDot) || !reader.Find(kTagImage) || !reader.Content(kTagImageEnd, image)) return result;
  XmlProblem problem = DecodeHex(image, kXmlImageDigits, hex);
  if (problem != XmlProblem::kNone) {
    reader.Fail(problem, kTagImage, image.number);
    return result;
  }
  for (std::size_t bit = 0; bit < hex.size() * 8; ++bit) page.pins[bit] = Bit(hex, bit) ? 1 : 0;

  if (!reader.Find(kTagInfo) || !reader.Content(kTagInfoEnd, info)) return result;
  problem = DecodeHex(info, kXmlInfoDigits, hex);
  if (problem != XmlProblem::kNone) {
    reader.Fail(problem, kTagInfo, info.number);
    return result;
  }
  for (std::size_t bit = 0; bit < hex.size() * 8; ++bit)
    TextPin(page, static_cast<int>(bit % kXmlInfoColumns), static_cast<int>(bit / kXmlInfoColumns)) =
        Bit(hex, bit) ? 1 : 0;

  if (!reader.Find(kTagLanguage) || !reader.Content(kTagLanguageEnd, text)) return result;
  UnescapeTextLine(text.start, text.length, result.text, sizeof result.text);
  reader.Find(kTagDotEnd);
  return result;
}

int XML::Load(const char* fileName, DotPage& page, PageObserver& view) {
  std::vector<std::uint8_t> bytes;
  FileRead read = LoadDocumentBytes("XML", fileName, kXmlFileMax, bytes);
  if (read == FileRead::kCannotOpen) return 0;
  LogWrite(
      "XML \xD6"
      "ffnen von %s zum Lesen",
      fileName);
  if (read == FileRead::kTooLarge) {
    LogWrite(
        "Err: XML %s ist gr\xF6\xDF"
        "er als %d Byte",
        fileName, static_cast<int>(kXmlFileMax));
    return 0;
  }
  DotPage copy = page;
  const char* text = reinterpret_cast<const char*>(bytes.data());
  XmlReading reading = XmlReadPage(text, bytes.size(), copy);
  for (int i = 0; i < reading.foundCount; ++i) {
    const XmlReading::Found& f = reading.found[i];
    LogWrite("XML Tag %.*s gefunden", static_cast<int>(std::min<std::size_t>(f.length, kXmlLogLineMax)),
             text + f.offset);
  }
  if (reading.problem != XmlProblem::kNone) {
    LogWrite("Err: XML %s nicht geladen: %s %s (Zeile %d)", fileName, ProblemText(reading.problem),
             reading.tag ? reading.tag : "", reading.line);
    return 0;
  }
  std::memcpy(page.pins, copy.pins, sizeof page.pins);
  std::memcpy(page.textPins, copy.textPins, sizeof page.textPins);
  view.RepaintPins();
  view.RepaintTextLine();
  view.SetEditText(reading.text);
  return 1;
}

int XML::Save(const char* fileName, const DotPage& page, const DTM& record, const char* language) {
  std::string file = XmlFormat(page, record.text, language);
  if (!SaveDocumentBytes("XML", fileName, file.data(), file.size())) return 0;
  LogWrite("XML::Save %s gespeichert.", fileName);
  return 1;
}
