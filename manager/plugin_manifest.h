// Norvell::PluginManifest: the plug-in manager's list of secondary plug-ins
// and its file. It finds (and creates) the per-user plug-ins folder, loads
// and rewrites "plugins.manifest" there, and adds, finds and removes
// records. The root scriptable object owns one; its script members and the
// package downloads work on the list through it.
//
// The order of the list counts: every search walks it from the front and
// the first match wins. Records are shared: whoever works on one (a pending
// download, for example) keeps its own reference.
//
// Not synchronised: main thread only, like every user of the list.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "manager/plugin_entry.h"

namespace Norvell {

class PluginManifest {
 public:
  using EntryList = std::vector<std::shared_ptr<PluginEntry>>;

  EntryList& entries() { return entries_; }
  const EntryList& entries() const { return entries_; }

  // The local application-data folder followed by "/Norvell/ZephelPlugins/",
  // as narrow text ending with "/"; created with its parents when missing.
  // Computed once and then kept. Raises std::filesystem::filesystem_error
  // when the folder cannot be created or named in the narrow encoding (and
  // what the platform raises when it cannot tell the application-data
  // folder); the next call then tries again.
  std::string pluginsFolder();

  // pluginsFolder() followed by "plugins.manifest".
  std::string manifestPath();

  // Appends the records of the manifest file to the list (loading twice
  // duplicates them). A missing or unreadable file adds nothing; a damaged
  // one adds the records before the damage.
  void loadManifest();

  // Rewrites the manifest file from the whole list, byte for byte (a value
  // holding a byte that text mode treats specially, such as 0x1A, must not
  // end the file for the next load). The new text is written
  // beside the file and then moved over it, so a failed write leaves the old
  // file as it was. Answers false, without raising, when the file could not
  // be written.
  bool saveManifest();

  // The record's ModulePath names something strictly below the plug-ins
  // folder (after resolving links and ".."). Only such records count as
  // installed: a ModulePath elsewhere (a changed manifest file, a page's
  // descriptor) is never loaded, answered from, unregistered or deleted.
  // False, without raising, when the plug-ins folder cannot be found.
  bool holdsModule(const PluginEntry& entry);

  // holdsModule, and the module file (or anything) exists at ModulePath.
  bool moduleExists(const PluginEntry& entry);

  // The records whose name and bit equal the request's, ignoring case, in
  // list order.
  EntryList collectSameIdentity(const PluginEntry& request) const;

  // Appends a new record holding copies of the text fields of `entry` (not
  // downloading) and answers it.
  std::shared_ptr<PluginEntry> addEntryCopy(const PluginEntry& entry);

  // Erases the first list element that is this very record; does nothing
  // when there is none. Then deletes the folder that holds the record's
  // module, with all its contents, provided that folder lies inside the
  // plug-ins folder (never the plug-ins folder itself). The manifest file is
  // not rewritten. Raises std::filesystem::filesystem_error when the
  // deletion fails.
  void removeEntry(std::shared_ptr<PluginEntry> entry);

 private:
  EntryList entries_;
  std::string cachedPluginsFolder_;  // empty until pluginsFolder() succeeds
};

// True for the names, ignoring case, that the manifest file uses in the
// plug-ins folder: the file itself and the new text written beside it.
// Systems that ignore case take "Plugins.Manifest" for the same file.
bool isManifestFileName(std::string_view name);

}  // namespace Norvell
