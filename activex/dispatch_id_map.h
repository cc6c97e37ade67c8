// The process-wide map between member names and dispatch identifiers,
// shared by the control and every object it hands to script: a name keeps
// its identifier for the life of the process, whichever object asked.
// Filled at first use with the 261 standard identifiers (narrow names); the
// bridge asks with wide names, which count up from 100.
//
// Pairs are never removed or changed, so every lookup answers a
// DispatchName that stays valid and unchanged for the life of the process.
// Finding a name by identifier takes no lock; finding one by text looks in
// a small lock-free cache first and takes the map's lock only on a miss;
// assigning takes the lock.
//
// Any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "scripting/variant.h"

namespace FB::ActiveX {

inline constexpr long kFirstMemberDispatchId = 100;

// One pair of the map, with the name's forms the bridge needs.
struct DispatchName {
  long id = 0;
  // One of the fixed identifiers (their names are narrow text in the map).
  bool fixed = false;
  std::wstring wide;
  // The name as UTF-8; empty with utf8Valid false when the wide text is
  // not valid UTF-16.
  std::string utf8;
  bool utf8Valid = false;
};

// The identifier of a wide name, assigning the next free one to a new name.
long dispatchIdFor(std::wstring_view name);
const DispatchName& dispatchNameFor(std::wstring_view name);
// The pair of a wide name that has an identifier already; null otherwise.
const DispatchName* findDispatchName(std::wstring_view name);
// The pair of an identifier; null when it is not mapped.
const DispatchName* dispatchName(long id);
// The name (narrow for the fixed identifiers, wide otherwise).
std::optional<variant> dispatchIdName(long id);
std::size_t dispatchIdCount();

}  // namespace FB::ActiveX
