// The fixed identities of the ActiveX side: the control's class, the type
// library, the application, the interfaces the type library declares, the
// control's program names and the NPAPI plug-in id written beside them.
// Chosen once; everything (the type library source, registration, the
// control) takes them from here.
//
// The identifiers are written once, as UUID tokens that the type-library
// compiler reads (this file is included by norvell_zephel.idl); C++ code
// gets the registry text form and the GUID value from the same tokens.
// Constants only; any thread.
#pragma once

#define NZ_AX_CLSID_FBCONTROL 56D34B26-EC8F-4C1A-A48E-33B8EE87555A
#define NZ_AX_LIBID 52CE2E03-D5B5-4B30-80F0-FB551828793E
#define NZ_AX_APPID 535527C6-245E-4B43-BF3C-15C8447D3310
#define NZ_AX_IID_IFBCONTROL 1C925080-8B32-4FA8-A1A1-BD641ED87FAB
#define NZ_AX_DIID_IFBCOMEVENTSOURCE F53F253C-6B85-4F8A-9C46-C19D3DFC0E67
#define NZ_AX_IID_IFBCOMJAVASCRIPTOBJECT ECFD113A-153E-4612-A469-2D496B77C7DA
#define NZ_AX_CLSID_FBCOMJAVASCRIPTOBJECT 605CE09A-2A1F-4D73-B1E9-19CC4308F736

#ifndef __WIDL__

#include <guiddef.h>

#include <cstdint>

#define NZ_AX_TEXT_(...) #__VA_ARGS__
#define NZ_AX_TEXT(...) NZ_AX_TEXT_(__VA_ARGS__)
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as a wide literal.
#define NZ_AX_REGISTRY_FORM(uuid) L"{" NZ_AX_TEXT(uuid) L"}"

namespace FB::ActiveX {

// The GUID value of a registry-form text, computed by the compiler.
consteval GUID guidFromText(const wchar_t* text) {
  auto hex = [](wchar_t c) -> std::uint32_t {
    if (c >= L'0' && c <= L'9') return static_cast<std::uint32_t>(c - L'0');
    if (c >= L'A' && c <= L'F') return static_cast<std::uint32_t>(c - L'A' + 10);
    if (c >= L'a' && c <= L'f') return static_cast<std::uint32_t>(c - L'a' + 10);
    throw "not a hexadecimal digit";
  };
  auto read = [&](int at, int digits) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + hex(text[at + i]);
    return value;
  };
  // Offsets of the two-digit groups of Data4 in "{8-4-4-4-12}".
  constexpr int kData4[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  GUID guid{};
  guid.Data1 = read(1, 8);
  guid.Data2 = static_cast<unsigned short>(read(10, 4));
  guid.Data3 = static_cast<unsigned short>(read(15, 4));
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<unsigned char>(read(kData4[i], 2));
  return guid;
}

inline constexpr const wchar_t* kClsidText = NZ_AX_REGISTRY_FORM(NZ_AX_CLSID_FBCONTROL);
inline constexpr const wchar_t* kLibidText = NZ_AX_REGISTRY_FORM(NZ_AX_LIBID);
inline constexpr const wchar_t* kAppidText = NZ_AX_REGISTRY_FORM(NZ_AX_APPID);

inline constexpr GUID kClsidFBControl = guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_CLSID_FBCONTROL));
inline constexpr GUID kLibid = guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_LIBID));
inline constexpr GUID kAppid = guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_APPID));
inline constexpr GUID kIidIFBControl = guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_IID_IFBCONTROL));
inline constexpr GUID kDiidIFBComEventSource = guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_DIID_IFBCOMEVENTSOURCE));
inline constexpr GUID kIidIFBComJavascriptObject =
    guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_IID_IFBCOMJAVASCRIPTOBJECT));
inline constexpr GUID kClsidFBComJavascriptObject =
    guidFromText(NZ_AX_REGISTRY_FORM(NZ_AX_CLSID_FBCOMJAVASCRIPTOBJECT));

inline constexpr unsigned short kTypeLibMajor = 1;
inline constexpr unsigned short kTypeLibMinor = 0;

inline constexpr const wchar_t* kProgId = L"Norvell.NorvellZephel.1";
inline constexpr const wchar_t* kVersionIndependentProgId = L"Norvell.NorvellZephel";
inline constexpr const wchar_t* kAppName = L"NorvellZephelWin";
inline constexpr const wchar_t* kModuleFileName = L"npNorvellZephel32.dll";
// How NPAPI browsers that look in the registry find the module: the maker's
// domain, a slash and the plug-in's name.
inline constexpr const wchar_t* kMozillaPluginId = L"norvellzephel.com/NorvellZephel";

}  // namespace FB::ActiveX

#endif  // __WIDL__
