// The platform-neutral part of the open and save dialogs: turning the filter
// argument a page passes ("Images|png|All|*") into the filter list a dialog
// shows, and the extension the save dialog adds to a typed name.
//
// Pure functions; safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace Norvell {

struct DialogFilterList {
  // The pieces in order, each extension prefixed with "*.", joined by "|":
  // "Images|*.png|All|*.*".
  std::wstring text;
  // The extension pieces without prefix: {"png", "*"}. Entry k belongs to
  // description k.
  std::vector<std::wstring> extensions;
};

// Splits `argument` at every "|" into alternating description and extension
// pieces, starting with a description. Pieces are taken as they are: no
// trimming, and a ";" inside an extension stays ("txt;*.csv" gives the one
// pattern "*.txt;*.csv").
DialogFilterList buildFilterList(const std::wstring& argument);

// The filter text in the dialogs' form: every "|" replaced by NUL and two
// NULs appended ("Images\0*.png\0\0\0" for "Images|*.png").
std::wstring nulSeparatedFilter(const DialogFilterList& list);

// The path the save dialog hands back, given the 1-based filter the user had
// chosen: ".ext" of that filter is appended unless the path already contains
// it somewhere (case-sensitive). Nothing is appended when the index names no
// extension or when the extension is a wildcard pattern (contains "*" or
// "?"), so the all-files entry never produces a name like "data.*".
std::wstring withSaveExtension(const std::wstring& path, const std::vector<std::wstring>& extensions,
                               int filterIndex);

}  // namespace Norvell
