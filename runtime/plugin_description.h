// The module's name and description texts as the browser asks for them, and
// the process-wide platform names.
//
// Main thread only: the description table is built on first use without
// locking.
#pragma once

#include <string>

#include "nz_version.h"

namespace FB {

// "<mime type>:<extensions>:<description>;" for every MIME type handled.
inline constexpr const char* kMimeDescription = "application/x-norvellzephel32::Norvell Zephel - " NZ_VERSION_TEXT ";";
inline constexpr const char* kMimeType = "application/x-norvellzephel32";
inline constexpr const char* kPluginName = "Norvell Zephel 32 Bit";

std::string pluginName(const std::string& mimeType);

// The description for the MIME type; the empty text for an unknown type
// (which is then remembered as such), "Unknown Description" only when the
// lookup itself fails. Never throws.
std::string pluginDescription(const std::string& mimeType);

// Records the browser binding's and the operating system's names.
void setPlatformNames(const std::string& bindingName, const std::string& osName);
std::string platformBindingName();
std::string platformOsName();

}  // namespace FB
