// The process-wide map between member names and dispatch identifiers,
// shared by the control and every object it hands to script: a name keeps
// its identifier for the life of the process, whichever object asked.
// Filled at first use with the 261 standard identifiers (narrow names); the
// bridge asks with wide names, which count up from 100.
//
// Any thread (one lock).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "activex/type_id_map.h"

namespace FB::ActiveX {

inline constexpr long kFirstMemberDispatchId = 100;

long dispatchIdFor(const std::wstring& name);
// The name (narrow for the fixed identifiers, wide otherwise).
std::optional<variant> dispatchIdName(long id);
std::size_t dispatchIdCount();

}  // namespace FB::ActiveX
