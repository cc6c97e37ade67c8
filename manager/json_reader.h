// Norvell::JSONReader: reads the plug-in manager's JSON text piece by piece.
// It knows objects, string values, the literals null, true and false, and
// the one array of the manifest file; nested objects can be copied whole as
// raw text. String contents are taken exactly as written: escapes stay in
// the text and nothing is decoded.
//
// The reader works on its own copy of the text. `cursor` is the next
// position to look at and `end` the length of the text. The position `end`
// may be examined and reads as NUL, which matches nothing; a cursor beyond
// `end` means the text is used up, and every later read fails. Nothing is
// ever read outside the text.
//
// Reads report failure only through their results. A failed readKey or
// readString that ran out of text leaves the reader used up; the other
// failures consume nothing beyond white space (and, for openObject and
// openArray, a leading ",").
//
// Not synchronised; the plug-in manager uses its readers on the browser's
// main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Norvell {

struct JSONReader {
  explicit JSONReader(std::string input);

  // Steps over spaces, tabs, line feeds and carriage returns.
  void skipSpaces();

  // Steps over white space, one optional ",", and the opening "{" (or "[");
  // fails when that brace is missing.
  bool openObject();
  bool openArray();
  // Step over white space and the closing "}" (or "]") when it is there.
  void closeObject();
  void closeArray();

  // A member name in double quotes, with an optional "," before it and an
  // optional ":" after it. A backslash in a name is an ordinary character.
  bool readKey(std::string& out);
  // A string value: the characters between the quotes as written. A
  // backslash keeps the next character from ending the string.
  bool readString(std::string& out);
  // null, true, false, a string (quotes included in `out`) or a nested
  // object (see readRawObject). Fails on anything else, numbers and arrays
  // included, without consuming it.
  bool readValue(std::string& out);
  // One balanced object as raw text, from the cursor through its closing
  // brace; braces inside strings do not count.
  bool readRawObject(std::string& out);
  // Steps over `word` when the text at the cursor begins with it.
  bool matchLiteral(std::string_view word);

  std::string text;
  std::size_t cursor = 0;
  std::size_t end;

 private:
  // True when the character at the cursor is `wanted` (never true at or
  // beyond `end`).
  bool at(char wanted) const { return cursor < end && text[cursor] == wanted; }
  bool open(char brace);
  void close(char brace);
  void exhaust() { cursor = end + 1; }
};

}  // namespace Norvell
