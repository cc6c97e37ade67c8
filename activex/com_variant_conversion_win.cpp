#include "activex/com_variant_conversion_win.h"

#include <oleauto.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// A copy of `value` changed to `type`; VT_EMPTY when it cannot change.
struct Changed {
  Changed(const VARIANT& value, VARTYPE type) {
    VariantInit(&v);
    if (FAILED(VariantChangeType(&v, const_cast<VARIANT*>(&value), 0, type))) VariantInit(&v);
  }
  ~Changed() { VariantClear(&v); }
  Changed(const Changed&) = delete;
  Changed& operator=(const Changed&) = delete;
  VARIANT v;
};

std::string utf8Of(BSTR chars) { return toUtf8(std::wstring_view(chars ? chars : L"", chars ? SysStringLen(chars) : 0)); }

variant fromText(const VARIANT& value) {
  // A BSTR is read in place; the other text types are changed to one first.
  if (V_VT(&value) == VT_BSTR) return utf8Of(V_BSTR(&value));
  Changed text(value, VT_BSTR);
  if (V_VT(&text.v) != VT_BSTR) return variant();
  return utf8Of(V_BSTR(&text.v));
}

void setNull(VARIANT& result) { V_VT(&result) = VT_NULL; }

void setDispatch(VARIANT& result, IDispatch* object) {
  if (!object) return setNull(result);
  V_VT(&result) = VT_DISPATCH;
  V_DISPATCH(&result) = object;
}

void setText(VARIANT& result, const std::wstring& text) {
  V_VT(&result) = VT_BSTR;
  V_BSTR(&result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!V_BSTR(&result)) V_VT(&result) = VT_EMPTY;
}

void fromApi(const ComScriptHostPtr& host, const JSAPIPtr& api, bool retain, VARIANT& result) {
  if (!api || !host) return setNull(result);
  setDispatch(result, host->dispatchForApi(api, retain));
}

using Converter = void (*)(const ComScriptHostPtr&, const variant&, VARIANT&);

template <class T, VARTYPE Type>
void number(const ComScriptHostPtr&, const variant& value, VARIANT& result) {
  V_VT(&result) = Type;
  const T stored = value.get<T>();
  if constexpr (Type == VT_BOOL) {
    V_BOOL(&result) = stored ? VARIANT_TRUE : VARIANT_FALSE;
  } else if constexpr (Type == VT_I1) {
    V_I1(&result) = static_cast<CHAR>(stored);
  } else if constexpr (Type == VT_UI1) {
    V_UI1(&result) = static_cast<BYTE>(stored);
  } else if constexpr (Type == VT_I2) {
    V_I2(&result) = static_cast<SHORT>(stored);
  } else if constexpr (Type == VT_UI2) {
    V_UI2(&result) = static_cast<USHORT>(stored);
  } else if constexpr (Type == VT_I4) {
    V_I4(&result) = static_cast<LONG>(stored);
  } else if constexpr (Type == VT_UI4) {
    V_UI4(&result) = static_cast<ULONG>(stored);
  } else if constexpr (Type == VT_I8) {
    V_I8(&result) = static_cast<LONGLONG>(stored);
  } else if constexpr (Type == VT_UI8) {
    V_UI8(&result) = static_cast<ULONGLONG>(stored);
  } else if constexpr (Type == VT_R4) {
    V_R4(&result) = static_cast<FLOAT>(stored);
  } else {
    V_R8(&result) = static_cast<DOUBLE>(stored);
  }
}

const std::unordered_map<const void*, Converter>& toComTable() {
  static const std::unordered_map<const void*, Converter> table = {
      {variant::typeKeyOf<bool>(), &number<bool, VT_BOOL>},
      {variant::typeKeyOf<char>(), &number<char, VT_I1>},
      {variant::typeKeyOf<unsigned char>(), &number<unsigned char, VT_UI1>},
      {variant::typeKeyOf<short>(), &number<short, VT_I2>},
      {variant::typeKeyOf<unsigned short>(), &number<unsigned short, VT_UI2>},
      {variant::typeKeyOf<int>(), &number<int, VT_I4>},
      {variant::typeKeyOf<long>(), &number<long, VT_I4>},
      {variant::typeKeyOf<unsigned int>(), &number<unsigned int, VT_UI4>},
      {variant::typeKeyOf<unsigned long>(), &number<unsigned long, VT_UI4>},
      {variant::typeKeyOf<long long>(), &number<long long, VT_I8>},
      {variant::typeKeyOf<unsigned long long>(), &number<unsigned long long, VT_UI8>},
      {variant::typeKeyOf<float>(), &number<float, VT_R4>},
      {variant::typeKeyOf<double>(), &number<double, VT_R8>},
      {variant::typeKeyOf<std::string>(),
       [](const ComScriptHostPtr&, const variant& value, VARIANT& result) {
         setText(result, toWide(value.get<std::string>()));
       }},
      {variant::typeKeyOf<std::wstring>(),
       [](const ComScriptHostPtr&, const variant& value, VARIANT& result) {
         setText(result, value.get<std::wstring>());
       }},
      {variant::typeKeyOf<VariantVector>(),
       [](const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
         if (!host) return;
         setDispatch(result, host->newScriptArray(value.get<VariantVector>()));
       }},
      {variant::typeKeyOf<VariantStringMap>(),
       [](const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
         if (!host) return;
         setDispatch(result, host->newScriptObject(value.get<VariantStringMap>()));
       }},
      {variant::typeKeyOf<JSAPIPtr>(),
       [](const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
         fromApi(host, value.get<JSAPIPtr>(), true, result);
       }},
      {variant::typeKeyOf<JSAPIWeakPtr>(),
       [](const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
         fromApi(host, value.get<JSAPIWeakPtr>().lock(), false, result);
       }},
      {variant::typeKeyOf<JSObjectPtr>(),
       [](const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
         fromApi(host, value.get<JSObjectPtr>(), true, result);
       }},
      {variant::typeKeyOf<variant_detail::null>(),
       [](const ComScriptHostPtr&, const variant&, VARIANT& result) { setNull(result); }},
  };
  return table;
}

}  // namespace

variant toVariantFromCom(const ComScriptHostPtr& host, const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_NULL:
      return FBNull;
    case VT_I4:
      return static_cast<long>(V_I4(&value));
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_INT: {
      Changed changed(value, VT_I4);
      return V_VT(&changed.v) == VT_I4 ? variant(static_cast<long>(V_I4(&changed.v))) : variant();
    }
    case VT_UI4:
    case VT_UINT: {
      Changed changed(value, VT_UI4);
      return V_VT(&changed.v) == VT_UI4 ? variant(static_cast<unsigned long>(V_UI4(&changed.v))) : variant();
    }
    case VT_I8:
      return static_cast<long long>(V_I8(&value));
    case VT_UI8:
      return static_cast<unsigned long long>(V_UI8(&value));
    case VT_R8:
      return static_cast<double>(V_R8(&value));
    case VT_R4:
    case VT_DECIMAL: {
      Changed changed(value, VT_R8);
      return V_VT(&changed.v) == VT_R8 ? variant(static_cast<double>(V_R8(&changed.v))) : variant();
    }
    case VT_BOOL:
      return V_BOOL(&value) == VARIANT_TRUE;
    case VT_ERROR: {
      Changed changed(value, VT_BOOL);
      return V_VT(&changed.v) == VT_BOOL && V_BOOL(&changed.v) == VARIANT_TRUE;
    }
    case VT_BSTR:
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_CLSID:
      return fromText(value);
    case VT_DISPATCH:
      if (!V_DISPATCH(&value) || !host) return FBNull;
      return host->proxyForDispatch(V_DISPATCH(&value));
    default:
      return variant();
  }
}

void toComVariant(const ComScriptHostPtr& host, const variant& value, VARIANT& result) {
  VariantInit(&result);
  const auto& table = toComTable();
  auto found = table.find(value.typeKey());
  if (found != table.end()) found->second(host, value, result);
}

}  // namespace FB::ActiveX
