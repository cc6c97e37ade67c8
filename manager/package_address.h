// Where a secondary plug-in's package is downloaded from. A descriptor's
// ZipPackageURL is either absolute (it begins with "http://" or "https://",
// in any letter case) or a file name on the maker's site, which lies on the
// page's own host under "/<Siteversion>/core/installers/".
//
// Native code comes only from where the maker serves it: the address a
// package is downloaded from must pass the same trust rule as the pages that
// may use the plug-in (app/trusted_site.h), which the caller hands in.
//
// Pure functions; the plug-in manager calls them on the main thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace Norvell {

// The package address for `zipPackageUrl`. For a relative one the page's
// address is asked for (only then): from "scheme://host/...", the result is
// "scheme://host/" + siteVersion + "/core/installers/" + zipPackageUrl,
// where the scheme is "https" for an https page and "http" for any other.
// A page address without a "/" after its scheme's seven (or, for https,
// eight) characters gives `zipPackageUrl` unchanged. Raises
// std::out_of_range("invalid string position") when the page address is
// shorter than seven characters, and whatever `pageAddress` raises.
std::string packageAddress(const std::string& zipPackageUrl, const std::string& siteVersion,
                           const std::function<std::string()>& pageAddress);

// packageAddress, or none when `isTrusted` refuses the result. A relative
// address composed on a trusted page passes; an absolute one passes only
// when a page at that address would be trusted. A relative address that
// could not be composed (the page address has no host piece) is refused
// too: the browser would resolve it as it likes ("//elsewhere/p.zip").
std::optional<std::string> trustedPackageAddress(const std::string& zipPackageUrl, const std::string& siteVersion,
                                                 const std::function<std::string()>& pageAddress,
                                                 const std::function<bool(const std::string&)>& isTrusted);

}  // namespace Norvell
