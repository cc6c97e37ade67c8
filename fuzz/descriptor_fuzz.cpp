// Parses any text as a plug-in descriptor (the form pages use and packages
// carry as "pluginmanifest.json"). Every field the parser fills is a piece of
// the text as written, and a record that holds values already keeps each one
// the text does not give.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "manager/plugin_entry.h"
#include "manager/plugin_entry_json.h"

using nzfuzz::require;

namespace {

constexpr const char* kUnset = "\x01unset\x01";

Norvell::PluginEntry unsetEntry() {
  Norvell::PluginEntry entry;
  for (std::string* field : {&entry.PluginName, &entry.PluginBit, &entry.PluginVersion, &entry.PluginRequiredVersion,
                             &entry.PluginLatestVersion, &entry.ZipPackageURL, &entry.ModulePath, &entry.ModuleName,
                             &entry.Installed, &entry.Siteversion}) {
    *field = kUnset;
  }
  return entry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Norvell::PluginEntry entry = unsetEntry();
  Norvell::parseDescriptor(text, entry);
  for (const std::string* field : {&entry.PluginName, &entry.PluginBit, &entry.PluginVersion,
                                   &entry.PluginRequiredVersion, &entry.PluginLatestVersion, &entry.ZipPackageURL,
                                   &entry.ModulePath, &entry.ModuleName, &entry.Installed, &entry.Siteversion}) {
    require(*field == kUnset || text.find(*field) != std::string::npos, "a descriptor field is a piece of the text");
  }
  require(!entry.downloading, "parsing never marks a download");

  // A fresh record parsed from the same text is the same record: the
  // parser's answer depends on the text alone.
  Norvell::PluginEntry again = unsetEntry();
  Norvell::parseDescriptor(text, again);
  require(Norvell::writeEntry(again) == Norvell::writeEntry(entry), "parsing is deterministic");
  return 0;
}
