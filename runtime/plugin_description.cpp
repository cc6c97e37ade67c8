#include "runtime/plugin_description.h"

#include <map>
#include <vector>

#include <boost/algorithm/string/split.hpp>

#include "runtime/diagnostic_log.h"

namespace FB {
namespace {

using DescriptionTable = std::map<std::string, std::string>;

// Entries "type:extensions:description" separated by ";"; entries with fewer
// than three fields are ignored.
DescriptionTable buildTable() {
  DescriptionTable table;
  std::vector<std::string> entries;
  boost::algorithm::split(entries, std::string(kMimeDescription), [](char c) { return c == ';'; });
  for (const auto& entry : entries) {
    std::vector<std::string> fields;
    boost::algorithm::split(fields, entry, [](char c) { return c == ':'; });
    if (fields.size() > 2) table[fields[0]] = fields[2];
  }
  return table;
}

struct PlatformNames {
  std::string binding;
  std::string os;
};

PlatformNames& platformNames() {
  static PlatformNames names;
  return names;
}

}  // namespace

std::string pluginName(const std::string&) { return kPluginName; }

std::string pluginDescription(const std::string& mimeType) {
  try {
    static DescriptionTable table = buildTable();
    return table[mimeType];
  } catch (...) {
    return "Unknown Description";
  }
}

void setPlatformNames(const std::string& bindingName, const std::string& osName) {
  platformNames() = PlatformNames{bindingName, osName};
  diagnostic("PluginCore", [&] { return "os: " + osName + "; browser: " + bindingName; });
}

std::string platformBindingName() { return platformNames().binding; }
std::string platformOsName() { return platformNames().os; }

}  // namespace FB
