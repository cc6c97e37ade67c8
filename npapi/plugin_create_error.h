// FB::Npapi::PluginCreateError: thrown by the code that makes an instance's
// binding when it refuses to create that instance; NPP_New turns it into
// NPERR_INCOMPATIBLE_VERSION_ERROR. The message reads like any standard
// exception's.
//
// A plain value; any thread.
#pragma once

#include <stdexcept>
#include <string>

namespace FB::Npapi {

class PluginCreateError : public std::runtime_error {
 public:
  explicit PluginCreateError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace FB::Npapi
