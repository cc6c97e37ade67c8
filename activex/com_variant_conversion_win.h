// Value conversion between COM VARIANTs and FB::variant, both ways, by
// fixed tables keyed by type. Objects cross through the instance's
// ComScriptHost (wrappers for plug-in objects, proxies for page objects,
// new page arrays and objects).
//
// Thread rules: the container's thread.
#pragma once

#include <oaidl.h>

#include "activex/com_script_host_win.h"
#include "scripting/variant.h"

namespace FB::ActiveX {

// VARIANT to FB::variant. Unlisted types give the empty value.
variant toVariantFromCom(const ComScriptHostPtr& host, const VARIANT& value);

// FB::variant to VARIANT. `result` is overwritten (not cleared first) and
// owned by the caller. Unlisted types give VT_EMPTY.
void toComVariant(const ComScriptHostPtr& host, const variant& value, VARIANT& result);

}  // namespace FB::ActiveX
