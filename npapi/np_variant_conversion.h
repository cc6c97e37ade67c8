// Conversion of values between the browser (NPVariant) and the plug-in
// (FB::variant).
//
// toVariant reads a browser value; objects become FB::Npapi::NPObjectAPI
// proxies. toNPVariant writes a plug-in value into `result` for the browser,
// which then owns it (strings from NPN_MemAlloc, objects with one reference);
// lists and maps become new page arrays and objects; a value of a type it
// does not know leaves `result` untouched.
//
// Thread rules: main thread only (they call the browser).
#pragma once

#include <memory>

#include "npapi/npapi_abi.h"
#include "scripting/variant.h"

namespace FB::Npapi {

class NpapiBrowserHost;
using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

variant toVariant(const NpapiBrowserHostPtr& host, const NPVariant& value);
void toNPVariant(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result);

}  // namespace FB::Npapi
