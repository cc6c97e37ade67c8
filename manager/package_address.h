// Where a secondary plug-in's package is downloaded from. A descriptor's
// ZipPackageURL is either absolute (it begins with "http://" or "https://",
// in any letter case) or a file name on the maker's site, which lies on the
// page's own host under "/<Siteversion>/core/installers/".
//
// Pure function; the plug-in manager calls it on the main thread.
#pragma once

#include <functional>
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

}  // namespace Norvell
