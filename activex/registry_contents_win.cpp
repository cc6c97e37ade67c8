#include "activex/registry_contents_win.h"

#include <array>
#include <string_view>

#include "activex/activex_ids_win.h"
#include "nz_version.h"

namespace FB::ActiveX {
namespace {

constexpr RegistryRoot HKCR = RegistryRoot::Classes;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr KeyKind Owned = KeyKind::Owned;
constexpr KeyKind Shared = KeyKind::Shared;
constexpr KeyKind Replace = KeyKind::Replace;

constexpr RegistryValue text(const wchar_t* name, const wchar_t* data) { return {name, REG_SZ, data, 0}; }
constexpr RegistryValue byDefault(const wchar_t* data) { return text(nullptr, data); }
constexpr RegistryValue number(const wchar_t* name, DWORD data) { return {name, REG_DWORD, nullptr, data}; }

constexpr const wchar_t* kDescription = L"Norvell Zephel - " NZ_VERSION_WIDE_TEXT;

// The application identity.
constexpr std::array kAppIdName{byDefault(L"NorvellZephelWin")};
constexpr std::array kAppIdModule{text(L"AppID", L"%APPID%")};
constexpr std::array<RegistryKey, 3> kAppIdTable{{
    {HKCR, L"AppID", Shared, {}},
    {HKCR, L"AppID\\%APPID%", Owned, kAppIdName},
    {HKCR, L"AppID\\npNorvellZephel32.dll", Owned, kAppIdModule},
}};

// The control.
constexpr std::array kDescriptionValue{byDefault(kDescription)};
constexpr std::array kClsidValue{byDefault(L"%CLSID%")};
constexpr std::array kCurVer{byDefault(L"Norvell.NorvellZephel.1")};
constexpr std::array kClassKey{byDefault(kDescription), text(L"AppID", L"%APPID%")};
constexpr std::array kProgId{byDefault(L"Norvell.NorvellZephel.1")};
constexpr std::array kVersionIndependentProgId{byDefault(L"Norvell.NorvellZephel")};
constexpr std::array kInprocServer{byDefault(L"%MODULE%"), text(L"ThreadingModel", L"Apartment")};
constexpr std::array kMiscStatus{byDefault(L"0")};
constexpr std::array kMiscStatusContent{byDefault(L"131473")};
constexpr std::array kTypeLib{byDefault(L"%LIBID%")};
constexpr std::array kVersion{byDefault(L"1")};
constexpr std::array kContentType{byDefault(kDescription), text(L"Extension", L""), text(L"CLSID", L"%CLSID%")};
constexpr std::array kStatsCount{number(L"Count", 0)};
constexpr std::array kModulePathValue{text(L"Path", L"%MODULE%")};

#define NZ_CLASS_KEY L"CLSID\\%CLSID%"
#define NZ_EXT_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Ext"

constexpr std::array<RegistryKey, 34> kControlTable{{
    {HKCR, L"Norvell.NorvellZephel.1", Owned, kDescriptionValue},
    {HKCR, L"Norvell.NorvellZephel.1\\CLSID", Owned, kClsidValue},
    {HKCR, L"Norvell.NorvellZephel", Owned, kDescriptionValue},
    {HKCR, L"Norvell.NorvellZephel\\CLSID", Owned, kClsidValue},
    {HKCR, L"Norvell.NorvellZephel\\CurVer", Owned, kCurVer},
    {HKCR, L"CLSID", Shared, {}},
    {HKCR, NZ_CLASS_KEY, Replace, kClassKey},
    {HKCR, NZ_CLASS_KEY L"\\ProgID", Owned, kProgId},
    {HKCR, NZ_CLASS_KEY L"\\VersionIndependentProgID", Owned, kVersionIndependentProgId},
    {HKCR, NZ_CLASS_KEY L"\\Programmable", Replace, {}},
    {HKCR, NZ_CLASS_KEY L"\\InprocServer32", Owned, kInprocServer},
    {HKCR, NZ_CLASS_KEY L"\\Control", Replace, {}},
    {HKCR, NZ_CLASS_KEY L"\\MiscStatus", Owned, kMiscStatus},
    {HKCR, NZ_CLASS_KEY L"\\MiscStatus\\1", Owned, kMiscStatusContent},
    {HKCR, NZ_CLASS_KEY L"\\TypeLib", Owned, kTypeLib},
    {HKCR, NZ_CLASS_KEY L"\\Version", Owned, kVersion},
    {HKCR, L"MIME", Shared, {}},
    {HKCR, L"MIME\\Database", Shared, {}},
    {HKCR, L"MIME\\Database\\Content Type", Shared, {}},
    {HKCR, L"MIME\\Database\\Content Type\\application/x-norvellzephel32", Owned, kContentType},
    {HKCU, L"Software", Shared, {}},
    {HKCU, L"Software\\Microsoft", Shared, {}},
    {HKCU, L"Software\\Microsoft\\Windows", Shared, {}},
    {HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion", Shared, {}},
    {HKCU, NZ_EXT_KEY, Shared, {}},
    {HKCU, NZ_EXT_KEY L"\\PreApproved", Shared, {}},
    {HKCU, NZ_EXT_KEY L"\\PreApproved\\%CLSID%", Replace, {}},
    {HKCU, NZ_EXT_KEY L"\\Stats", Shared, {}},
    {HKCU, NZ_EXT_KEY L"\\Stats\\%CLSID%", Replace, {}},
    {HKCU, NZ_EXT_KEY L"\\Stats\\%CLSID%\\iexplore", Owned, kStatsCount},
    {HKCU, NZ_EXT_KEY L"\\Stats\\%CLSID%\\iexplore\\AllowedDomains", Owned, {}},
    {HKCU, NZ_EXT_KEY L"\\Stats\\%CLSID%\\iexplore\\AllowedDomains\\*", Owned, {}},
    {HKCU, L"Software\\MozillaPlugins", Shared, {}},
    {HKCU, L"Software\\MozillaPlugins\\%PLUGINID%", Replace, kModulePathValue},
}};

#undef NZ_CLASS_KEY
#undef NZ_EXT_KEY

HRESULT fromWin32(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

bool isMissing(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// The open root for a table entry; the per-user classes root is opened
// (and created) on demand and closed by the caller.
class Roots {
 public:
  explicit Roots(bool perUser) : perUser_(perUser) {}
  ~Roots() {
    if (userClasses_) RegCloseKey(userClasses_);
  }
  Roots(const Roots&) = delete;
  Roots& operator=(const Roots&) = delete;

  LSTATUS open(RegistryRoot root, HKEY& key) {
    if (root == RegistryRoot::CurrentUser) {
      key = HKEY_CURRENT_USER;
      return ERROR_SUCCESS;
    }
    if (!perUser_) {
      key = HKEY_CLASSES_ROOT;
      return ERROR_SUCCESS;
    }
    if (!userClasses_) {
      LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                       KEY_ALL_ACCESS, nullptr, &userClasses_, nullptr);
      if (status != ERROR_SUCCESS) return status;
    }
    key = userClasses_;
    return ERROR_SUCCESS;
  }

 private:
  bool perUser_;
  HKEY userClasses_ = nullptr;
};

LSTATUS writeValue(HKEY key, const RegistryValue& value, const RegistryTarget& target) {
  if (value.type == REG_DWORD) {
    return RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                          sizeof(value.number));
  }
  std::wstring data = expandRegistryText(value.text, target);
  return RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

std::span<const RegistryKey> appIdRegistryTable() { return kAppIdTable; }
std::span<const RegistryKey> controlRegistryTable() { return kControlTable; }

std::wstring expandRegistryText(const wchar_t* text, const RegistryTarget& target) {
  static constexpr std::pair<std::wstring_view, const wchar_t*> kFixed[] = {
      {L"%APPID%", kAppidText},
      {L"%CLSID%", kClsidText},
      {L"%LIBID%", kLibidText},
      {L"%PLUGINID%", kMozillaPluginId}};
  std::wstring out;
  std::wstring_view rest(text ? text : L"");
  while (!rest.empty()) {
    std::size_t at = rest.find(L'%');
    out.append(rest.substr(0, at));
    if (at == std::wstring_view::npos) break;
    rest.remove_prefix(at);
    bool replaced = false;
    if (rest.starts_with(L"%MODULE%")) {
      out += target.modulePath;
      rest.remove_prefix(8);
      replaced = true;
    }
    for (const auto& [name, value] : kFixed) {
      if (!replaced && rest.starts_with(name)) {
        out += value;
        rest.remove_prefix(name.size());
        replaced = true;
      }
    }
    if (!replaced) {
      out += L'%';
      rest.remove_prefix(1);
    }
  }
  return out;
}

HRESULT writeRegistryTable(std::span<const RegistryKey> table, const RegistryTarget& target) {
  Roots roots(target.perUser);
  for (const RegistryKey& entry : table) {
    HKEY root = nullptr;
    LSTATUS status = roots.open(entry.root, root);
    if (status != ERROR_SUCCESS) return fromWin32(status);
    std::wstring path = expandRegistryText(entry.path, target);
    if (entry.kind == KeyKind::Replace) {
      status = RegDeleteTreeW(root, path.c_str());
      if (status != ERROR_SUCCESS && !isMissing(status)) return fromWin32(status);
    }
    HKEY key = nullptr;
    status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return fromWin32(status);
    for (const RegistryValue& value : entry.values) {
      status = writeValue(key, value, target);
      if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return fromWin32(status);
  }
  return S_OK;
}

HRESULT removeRegistryTable(std::span<const RegistryKey> table, const RegistryTarget& target) {
  Roots roots(target.perUser);
  // Children before parents.
  for (auto entry = table.rbegin(); entry != table.rend(); ++entry) {
    if (entry->kind == KeyKind::Shared) continue;
    HKEY root = nullptr;
    LSTATUS status = roots.open(entry->root, root);
    if (status != ERROR_SUCCESS) return fromWin32(status);
    std::wstring path = expandRegistryText(entry->path, target);
    if (entry->kind == KeyKind::Replace) {
      status = RegDeleteTreeW(root, path.c_str());
      if (status != ERROR_SUCCESS && !isMissing(status)) return fromWin32(status);
      continue;
    }
    // A key that still holds something not written by this table (another
    // program's subkey) stays.
    status = RegDeleteKeyW(root, path.c_str());
    if (status != ERROR_SUCCESS && !isMissing(status) && status != ERROR_ACCESS_DENIED) return fromWin32(status);
  }
  return S_OK;
}

}  // namespace FB::ActiveX
