// The page as a small XML text: the graphic pins and the first half of the
// text line as hexadecimal strings, and the line's text. Twelve lines, each
// ending in CR LF:
//
//   <?xml version="1.0" standalone="no"?>
//   <dot>
//   <image>
//   600 hex digits: the 2400 pins row by row, 8 to a byte, first pin in the top bit
//   </image>
//   <info>
//   20 hex digits: the first 20 pins of each of the 4 text-line rows
//   </info>
//   <lng value="0049">
//   the line's text: & < > " ' and control characters as references
//   </lng>
//   </dot>
//
// The reader goes from tag to tag, line by line; a tag is found anywhere in
// a line, ASCII letters compared without regard to case. It takes the
// references back in the text; an ampersand that starts none (a text
// written before texts were escaped) stays as it is.
#pragma once
#include <cstddef>
#include <string>

#include "document/dot_page.h"

// Larger files are refused without being read further.
constexpr std::size_t kXmlFileMax = 1024 * 1024;
constexpr int kXmlImageDigits = kPagePins / 4;                   // 600
constexpr int kXmlInfoColumns = 20;                              // text-line pins of each row in the file
constexpr int kXmlInfoDigits = kTextRows * kXmlInfoColumns / 4;  // 20
// Of a found tag's line, this much goes into the log.
constexpr int kXmlLogLineMax = 200;

// The file's text for a page, the text of its line and a language code.
std::string XmlFormat(const DotPage& page, const char* text, const char* language);

enum class XmlProblem {
  kNone,
  kNul,         // a NUL byte: no text file
  kMissingTag,  // a tag or the line after it is missing
  kBadHex,      // a character that is no hex digit among the digits read
  kOddDigits,   // a last digit without its pair
};

// The tags the reader looks for, in file order.
constexpr int kXmlTagCount = 8;

struct XmlReading {
  XmlProblem problem = XmlProblem::kNone;
  const char* tag = nullptr;  // the tag that is missing, or whose line is bad
  int line = 0;               // the bad line, from 1
  // Where each found tag's line lies in the bytes, for the log.
  struct Found {
    const char* tag;
    std::size_t offset;
    std::size_t length;
  } found[kXmlTagCount] = {};
  int foundCount = 0;
  char text[kDtmTextBuffer] = "";  // the line's text, at most 79 characters
};

// Reads a file's bytes into the page: the graphic pins the image line
// covers and the text pins its info line covers; all other pins keep their
// values. A line that holds the closing tag where content is expected
// counts as empty content. On a problem the page may be half written:
// read into a copy.
XmlReading XmlReadPage(const char* bytes, std::size_t size, DotPage& page);

struct XML {
  // Reads the file into a copy of the page and takes it over only when the
  // whole file was read; the text goes to the edit line, which translates
  // it. 1 on success, 0 when the file cannot be read or is refused.
  int Load(const char* fileName, DotPage& page, PageObserver& view);
  // Writes the page and the record's text buffer; 1 on success, else 0.
  int Save(const char* fileName, const DotPage& page, const DTM& record, const char* language);
};
