// Which pages may use the plug-in's root object: pages served over http or
// https from the maker's site host or one of its subdomains, from a host the
// build adds (NZ_EXTRA_TRUSTED_HOSTS), or from the local machine (localhost,
// 127.0.0.1, [::1]). Everything else, file: pages included, is untrusted.
// Pure function; any thread.
#pragma once

#include <string>

namespace Norvell {

inline constexpr const char* kUntrustedSiteMessage = "This site is not trusted by Norvell Zephel";

bool isTrustedPageUrl(const std::string& url);

}  // namespace Norvell
