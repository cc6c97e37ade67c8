#include "manager/package_entry_name.h"

#include <algorithm>

namespace Norvell {
namespace {

bool isEitherSeparator(char c) { return c == '/' || c == '\\'; }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A name part that is, or that Windows may turn into, the parent folder.
bool leadsToParent(std::string_view part) {
  const bool onlyDotsAndBlanks = std::all_of(part.begin(), part.end(), [](char c) { return c == '.' || c == ' '; });
  return onlyDotsAndBlanks && std::count(part.begin(), part.end(), '.') >= 2;
}

}  // namespace

bool isFolderEntryName(std::string_view name) { return !name.empty() && isEitherSeparator(name.back()); }

bool isSafeEntryName(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) return false;
  if (!name.empty() && isEitherSeparator(name.front())) return false;
  if (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !isEitherSeparator(name[end])) ++end;
    if (leadsToParent(name.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace Norvell
