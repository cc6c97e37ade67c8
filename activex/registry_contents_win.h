// What registering the module writes to the registry, as data: one table
// for the application identity and one for the control (class, program
// names, MIME database, the container's approval keys, the NPAPI discovery
// key), and the code that writes or removes a table.
//
// Keys are listed parents first. A shared key is created when missing and
// never removed; a replace key is removed with everything below it before
// registration writes it, and by unregistration; any other key is written
// on registration and removed on unregistration when nothing is left below
// it. Texts may hold the replacements %MODULE%, %APPID%, %CLSID%, %LIBID%,
// %PLUGINID%.
//
// Called by the registration exports on the registering thread.
#pragma once

#include <windows.h>

#include <span>
#include <string>

namespace FB::ActiveX {

enum class RegistryRoot {
  Classes,      // HKCR, or HKCU\Software\Classes when registering per user
  CurrentUser,  // HKCU in both modes
};

enum class KeyKind { Owned, Shared, Replace };

struct RegistryValue {
  const wchar_t* name;  // nullptr: the key's default value
  DWORD type;           // REG_SZ or REG_DWORD
  const wchar_t* text;  // REG_SZ data (with replacements)
  DWORD number;         // REG_DWORD data
};

struct RegistryKey {
  RegistryRoot root;
  const wchar_t* path;
  KeyKind kind;
  std::span<const RegistryValue> values;
};

struct RegistryTarget {
  bool perUser = false;
  std::wstring modulePath;
};

std::span<const RegistryKey> appIdRegistryTable();
std::span<const RegistryKey> controlRegistryTable();

// Registry text with the replacements filled in.
std::wstring expandRegistryText(const wchar_t* text, const RegistryTarget& target);

// Write or remove a table. Answers S_OK or the first failure.
HRESULT writeRegistryTable(std::span<const RegistryKey> table, const RegistryTarget& target);
HRESULT removeRegistryTable(std::span<const RegistryKey> table, const RegistryTarget& target);

}  // namespace FB::ActiveX
