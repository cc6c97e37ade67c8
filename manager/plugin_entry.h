// Norvell::PluginEntry: what the plug-in manager knows of one secondary
// plug-in, whether installed, being downloaded or only requested by a page.
// Each text field is named by the key under which descriptors and the
// manifest carry it. Also the small operations on single records.
//
// Plain data: no synchronisation. Records are shared between the plug-in
// list and pending downloads, all on the browser's main thread.
#pragma once

#include <string>

namespace Norvell {

struct PluginEntry {
  std::string PluginName;             // with PluginBit, the plug-in's identity
  std::string PluginBit;              // free text, e.g. a word size "32"
  std::string PluginVersion;          // dotted version of the installed package
  std::string PluginRequiredVersion;  // lowest version a request accepts
  std::string PluginLatestVersion;    // highest version a request accepts
  std::string ZipPackageURL;          // absolute URL, or file name on the site
  std::string ModulePath;             // full path of the installed module file
  std::string ModuleName;             // stem of the module file name
  std::string Installed;              // "1" registered, "0" not, else as received
  std::string Siteversion;            // the site's path segment for the package
  bool downloading = false;           // a package download is under way
};

// Copies each text field that is not empty in `source` to `target`.
// `downloading` is left alone.
void copyNonEmptyFields(const PluginEntry& source, PluginEntry& target);

// The ending of module file names on this system: ".dll" on Windows, ".so"
// on Linux.
extern const char* const kModuleFileSuffix;

// The module's file name: "np" + ModuleName + PluginBit + kModuleFileSuffix,
// e.g. "npReader32.dll".
std::string moduleFileName(const PluginEntry& entry);

}  // namespace Norvell
