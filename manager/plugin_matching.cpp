#include "manager/plugin_matching.h"

#include <climits>
#include <cstddef>
#include <locale>
#include <string_view>

namespace Norvell {
namespace {

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The C library's atoi reading of `piece`, held within the range of int
// instead of overflowing.
int pieceValue(std::string_view piece) {
  std::size_t i = 0;
  while (i < piece.size() && isCSpace(piece[i])) ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
  long long value = 0;
  for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
    if (value <= INT_MAX) value = value * 10 + (piece[i] - '0');  // stays far below LLONG_MAX
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// The next piece of `version` from `start`, and where the one after it
// begins (beyond the text when this is the last one).
std::string_view nextPiece(std::string_view version, std::size_t& start) {
  const std::size_t dot = version.find('.', start);
  const std::size_t stop = dot == std::string_view::npos ? version.size() : dot;
  const std::string_view piece = version.substr(start, stop - start);
  start = stop + 1;
  return piece;
}

}  // namespace

int compareVersions(const std::string& a, const std::string& b) {
  std::size_t nextA = 0;
  std::size_t nextB = 0;
  // Every version has at least one piece, even the empty one.
  while (nextA <= a.size() && nextB <= b.size()) {
    const long long difference =
        static_cast<long long>(pieceValue(nextPiece(a, nextA))) - pieceValue(nextPiece(b, nextB));
    if (difference > INT_MAX) return INT_MAX;
    if (difference < INT_MIN) return INT_MIN;
    if (difference != 0) return static_cast<int>(difference);
  }
  return 0;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  const std::locale locale;
  const auto& ctype = std::use_facet<std::ctype<char>>(locale);
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ctype.toupper(a[i]) != ctype.toupper(b[i])) return false;
  }
  return true;
}

bool sameIdentity(const PluginEntry& request, const PluginEntry& entry) {
  return equalsIgnoreCase(request.PluginName, entry.PluginName) &&
         equalsIgnoreCase(request.PluginBit, entry.PluginBit);
}

bool matchesExactly(const PluginEntry& request, const PluginEntry& entry) {
  return sameIdentity(request, entry) && equalsIgnoreCase(request.PluginVersion, entry.PluginVersion);
}

bool matchesVersionRange(const PluginEntry& request, const PluginEntry& entry) {
  if (!sameIdentity(request, entry)) return false;
  if (equalsIgnoreCase(entry.PluginVersion, request.PluginVersion)) return true;
  return compareVersions(entry.PluginVersion, request.PluginRequiredVersion) >= 0 &&
         compareVersions(entry.PluginVersion, request.PluginLatestVersion) <= 0;
}

}  // namespace Norvell
