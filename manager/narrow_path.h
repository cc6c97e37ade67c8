// Paths that the plug-in manager keeps as narrow text (the plug-ins folder,
// module paths in the manifest) turned into std::filesystem paths. Narrow
// text is in the platform's narrow file-name encoding (FB::Platform).
//
// Stateless; callable from any thread the platform allows.
#pragma once

#include <filesystem>
#include <string>

namespace Norvell {

// The file-system path that narrow path text names. Raises what the
// platform's conversion raises for text it cannot convert.
std::filesystem::path pathFromNarrow(const std::string& narrow);

}  // namespace Norvell
