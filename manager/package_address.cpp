#include "manager/package_address.h"

#include <stdexcept>

#include "manager/plugin_matching.h"

namespace Norvell {
namespace {

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string packageAddress(const std::string& zipPackageUrl, const std::string& siteVersion,
                           const std::function<std::string()>& pageAddress) {
  if (startsWithIgnoringCase(zipPackageUrl, "http://") || startsWithIgnoringCase(zipPackageUrl, "https://")) {
    return zipPackageUrl;
  }
  const std::string page = pageAddress();
  if (page.size() < 7) throw std::out_of_range("invalid string position");
  const bool secure = startsWithIgnoringCase(page, "https://");
  const std::string afterScheme = page.substr(secure ? 8 : 7);
  // The host is the first piece of what follows the scheme; without a
  // further "/" there is no host to build on.
  const std::string::size_type slash = afterScheme.find('/');
  if (slash == std::string::npos) return zipPackageUrl;
  return std::string(secure ? "https://" : "http://") + afterScheme.substr(0, slash) + "/" + siteVersion +
         "/core/installers/" + zipPackageUrl;
}

std::optional<std::string> trustedPackageAddress(const std::string& zipPackageUrl, const std::string& siteVersion,
                                                 const std::function<std::string()>& pageAddress,
                                                 const std::function<bool(const std::string&)>& isTrusted) {
  std::string address = packageAddress(zipPackageUrl, siteVersion, pageAddress);
  if (!isTrusted(address)) return std::nullopt;
  return address;
}

}  // namespace Norvell
