// The rules by which the plug-in manager compares versions and decides which
// records answer a request: identity is name plus bit, compared ignoring
// case; versions are dotted lists of numbers.
//
// Pure functions; the plug-in manager calls them on the browser's main
// thread.
#pragma once

#include <string>

#include "manager/plugin_entry.h"

namespace Norvell {

// Negative, zero or positive as `a` is lower than, equal to or higher than
// `b`. Both are split at every "." (empty pieces count) and each piece counts
// as the number its leading digits give, after optional white space and
// sign; a piece without digits counts as 0. Pieces are compared from the
// left over the shorter list: 1.10 is above 1.9, and 1.2 equals 1.2.5. The
// result is the first difference of pieces, left minus right, with pieces
// and the difference held within the range of int.
int compareVersions(const std::string& a, const std::string& b);

// Equal lengths, and equal characters after upper-case mapping in the global
// locale.
bool equalsIgnoreCase(const std::string& a, const std::string& b);

// Name, bit and version each equal, ignoring case.
bool matchesExactly(const PluginEntry& request, const PluginEntry& entry);

// Name and bit equal, ignoring case, and the entry's version either equal to
// the request's (ignoring case) or within the request's required and latest
// versions, both bounds included.
bool matchesVersionRange(const PluginEntry& request, const PluginEntry& entry);

// Name and bit equal, ignoring case.
bool sameIdentity(const PluginEntry& request, const PluginEntry& entry);

}  // namespace Norvell
