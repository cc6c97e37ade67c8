// Conversion of values between the browser (NPVariant) and the plug-in
// (FB::variant).
//
// toVariant reads a browser value; objects become FB::Npapi::NPObjectAPI
// proxies. toNPVariant writes a plug-in value into `result` for the browser,
// which then owns it (strings from NPN_MemAlloc, objects with one reference);
// lists and maps become new page arrays and objects; a value of a type it
// does not know leaves `result` untouched. Text the browser cannot take (too
// long for its allocation size, or refused by NPN_MemAlloc) raises
// FB::script_error.
//
// Thread rules: main thread only (they call the browser).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "npapi/npapi_abi.h"
#include "scripting/variant.h"

namespace FB::Npapi {

class NpapiBrowserHost;
using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

variant toVariant(const NpapiBrowserHostPtr& host, const NPVariant& value);
void toNPVariant(const NpapiBrowserHostPtr& host, const variant& value, NPVariant& result);

// The size to ask NPN_MemAlloc for, for `count` elements of `elementSize`
// bytes. The browser takes a 32-bit size; a larger block raises
// FB::script_error "The result is too large for the browser" instead of
// being cut to a shorter buffer.
uint32_t browserAllocationSize(std::size_t count, std::size_t elementSize = 1);

}  // namespace FB::Npapi
