#include "manager/json_reader.h"

#include <utility>

namespace Norvell {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

JSONReader::JSONReader(std::string input) : text(std::move(input)), end(text.size()) {}

void JSONReader::skipSpaces() {
  while (cursor < end && isSpace(text[cursor])) ++cursor;
}

bool JSONReader::open(char brace) {
  skipSpaces();
  if (at(',')) ++cursor;
  if (!at(brace)) return false;
  ++cursor;
  return true;
}

void JSONReader::close(char brace) {
  skipSpaces();
  if (at(brace)) ++cursor;
}

bool JSONReader::openObject() { return open('{'); }
bool JSONReader::openArray() { return open('['); }
void JSONReader::closeObject() { close('}'); }
void JSONReader::closeArray() { close(']'); }

bool JSONReader::readKey(std::string& out) {
  out.clear();
  skipSpaces();
  if (at(',')) ++cursor;
  skipSpaces();
  if (!at('"')) return false;
  const std::size_t first = cursor + 1;
  const std::size_t closing = text.find('"', first);
  if (closing == std::string::npos) {
    exhaust();
    return false;
  }
  out.assign(text, first, closing - first);
  cursor = closing + 1;
  skipSpaces();
  if (at(':')) ++cursor;
  return true;
}

bool JSONReader::readString(std::string& out) {
  out.clear();
  skipSpaces();
  if (!at('"')) return false;
  const std::size_t first = cursor + 1;
  std::size_t position = first;
  while (position < end) {
    const char c = text[position];
    if (c == '"') {
      out.assign(text, first, position - first);
      cursor = position + 1;
      return true;
    }
    position += c == '\\' ? 2 : 1;
  }
  exhaust();
  return false;
}

bool JSONReader::matchLiteral(std::string_view word) {
  if (cursor > end || end - cursor < word.size()) return false;
  if (std::string_view(text).substr(cursor, word.size()) != word) return false;
  cursor += word.size();
  return true;
}

bool JSONReader::readValue(std::string& out) {
  out.clear();
  skipSpaces();
  for (const std::string_view literal : {"null", "true", "false"}) {
    if (matchLiteral(literal)) {
      out = literal;
      return true;
    }
  }
  if (at('{')) return readRawObject(out);
  if (at('"')) {
    const std::size_t start = cursor;
    std::string contents;
    if (!readString(contents)) return false;
    out.assign(text, start, cursor - start);
    return true;
  }
  return false;
}

bool JSONReader::readRawObject(std::string& out) {
  out.clear();
  const std::size_t start = cursor;
  if (!openObject()) return false;
  std::size_t depth = 1;
  std::string ignored;
  for (;;) {
    skipSpaces();
    if (at(',')) ++cursor;
    if (at('{')) {
      ++cursor;
      ++depth;
      continue;
    }
    skipSpaces();
    if (at('}')) {
      ++cursor;
      if (--depth == 0) {
        out.assign(text, start, cursor - start);
        return true;
      }
    } else if (at('"')) {
      if (!readString(ignored)) return false;
    } else if (cursor > end) {
      return false;
    } else {
      ++cursor;
    }
  }
}

}  // namespace Norvell
