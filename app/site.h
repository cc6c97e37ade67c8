// The maker's web site, as the plug-in knows it: the host its pages come
// from (trusted_site.h) and the name of the per-user work folder, which is
// that host followed by a slash (work_folder.h).
#pragma once

#include "app/site_config.h"

namespace Norvell {

inline constexpr const char* kSiteHost = NZ_SITE_HOST;
inline constexpr const wchar_t* kSiteFolderName = NZ_SITE_FOLDER_NAME;
// Further hosts trusted by this build, separated by ";" (may be empty).
inline constexpr const char* kExtraTrustedHosts = NZ_EXTRA_TRUSTED_HOSTS;
// Whether pages on the local machine are trusted (test builds).
inline constexpr bool kTrustLoopback = NZ_TRUST_LOOPBACK;
// Whether the site's pages are trusted over plain http too.
inline constexpr bool kAllowHttpSite = NZ_ALLOW_HTTP_SITE;

}  // namespace Norvell
