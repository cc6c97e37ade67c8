// Any bytes as the manifest file "plugins.manifest": read as text and loaded
// from the file in a private plug-ins folder. Every record kept has its
// identity, loading the file gives what reading the text gives, and writing
// the records out and loading them again gives the same records back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "manager/plugin_entry_json.h"
#include "manager/plugin_manifest.h"

using nzfuzz::require;

namespace {

std::string textOf(const Norvell::PluginManifest::EntryList& entries) { return Norvell::manifestText(entries); }

Norvell::PluginManifest::EntryList shared(const std::vector<Norvell::PluginEntry>& entries) {
  Norvell::PluginManifest::EntryList list;
  for (const auto& entry : entries) list.push_back(std::make_shared<Norvell::PluginEntry>(entry));
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The plug-ins folder lies below $XDG_DATA_HOME: a folder of this process.
  ::setenv("XDG_DATA_HOME", nzfuzz::processFolder("nz_manifest_fuzz_").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<Norvell::PluginEntry> read = Norvell::manifestEntries(text);
  for (const auto& entry : read) {
    require(!entry.PluginName.empty() && !entry.PluginBit.empty() && !entry.PluginVersion.empty(),
            "a kept record has a name, a bit and a version");
    require(text.find(entry.PluginName) != std::string::npos, "values are taken as written");
  }
  const std::string written = textOf(shared(read));
  require(textOf(shared(Norvell::manifestEntries(written))) == written, "written records read back unchanged");

  Norvell::PluginManifest manifest;
  { std::ofstream(manifest.manifestPath(), std::ios::binary | std::ios::trunc) << text; }
  manifest.loadManifest();
  require(textOf(manifest.entries()) == written, "loading the file gives what reading its text gives");
  require(manifest.saveManifest(), "the manifest can be rewritten");
  Norvell::PluginManifest reloaded;
  reloaded.loadManifest();
  require(textOf(reloaded.entries()) == written, "a saved manifest loads back the same records");
  return 0;
}
