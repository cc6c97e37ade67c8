#include "manager/plugin_entry_json.h"

#include <string_view>
#include <utility>

#include "manager/json_reader.h"
#include "manager/json_writer.h"

namespace Norvell {
namespace {

using Field = std::string PluginEntry::*;

struct KeyedField {
  std::string_view key;
  Field field;
};

// The manifest's members, in the order they are written.
constexpr KeyedField kManifestFields[] = {
    {"PluginName", &PluginEntry::PluginName},   {"PluginBit", &PluginEntry::PluginBit},
    {"PluginVersion", &PluginEntry::PluginVersion}, {"ZipPackageURL", &PluginEntry::ZipPackageURL},
    {"ModulePath", &PluginEntry::ModulePath},   {"ModuleName", &PluginEntry::ModuleName},
    {"Installed", &PluginEntry::Installed},     {"Siteversion", &PluginEntry::Siteversion},
};

// What a descriptor may carry besides the manifest's members.
constexpr KeyedField kDescriptorOnlyFields[] = {
    {"PluginRequiredVersion", &PluginEntry::PluginRequiredVersion},
    {"PluginLatestVersion", &PluginEntry::PluginLatestVersion},
    {"Changelist", &PluginEntry::Siteversion},
};

template <std::size_t N>
Field lookUp(const KeyedField (&table)[N], const std::string& key) {
  for (const KeyedField& known : table) {
    if (known.key == key) return known.field;
  }
  return nullptr;
}

Field manifestField(const std::string& key) { return lookUp(kManifestFields, key); }

Field descriptorField(const std::string& key) {
  const Field field = lookUp(kManifestFields, key);
  return field != nullptr ? field : lookUp(kDescriptorOnlyFields, key);
}

// Reads the members of the object just opened into `entry` until no further
// key can be read, then steps over the closing brace. Known keys take a
// string value; the values of other keys are skipped.
void readMembers(JSONReader& reader, PluginEntry& entry, Field (*fieldFor)(const std::string&)) {
  std::string key;
  std::string skipped;
  while (reader.readKey(key)) {
    if (const Field field = fieldFor(key)) {
      reader.readString(entry.*field);
    } else {
      reader.readValue(skipped);
    }
  }
  reader.closeObject();
}

}  // namespace

void parseDescriptor(const std::string& text, PluginEntry& entry) {
  JSONReader reader(text);
  if (!reader.openObject()) return;
  readMembers(reader, entry, descriptorField);
}

std::string writeEntry(const PluginEntry& entry) {
  JSONWriter writer;
  writer.reset();
  writer.beginObject();
  for (const KeyedField& member : kManifestFields) {
    writer.writeKey(std::string(member.key));
    writer.writeString(entry.*member.field);
    writer.endMember();
  }
  writer.endObject();
  return writer.text();
}

std::string manifestText(const std::vector<std::shared_ptr<PluginEntry>>& entries) {
  std::string text = "{\"Plugins\":[";
  bool first = true;
  for (const std::shared_ptr<PluginEntry>& entry : entries) {
    if (!first) text += ',';
    first = false;
    text += writeEntry(*entry);
  }
  text += "]}";
  return text;
}

std::vector<PluginEntry> manifestEntries(const std::string& text) {
  std::vector<PluginEntry> found;
  JSONReader reader(text);
  reader.skipSpaces();
  std::string key;
  if (reader.openObject() && reader.readKey(key) && key == "Plugins" && reader.openArray()) {
    while (reader.openObject()) {
      PluginEntry entry;
      readMembers(reader, entry, manifestField);
      if (!entry.PluginName.empty() && !entry.PluginBit.empty() && !entry.PluginVersion.empty()) {
        found.push_back(std::move(entry));
      }
    }
  }
  reader.closeArray();
  reader.closeObject();
  return found;
}

}  // namespace Norvell
