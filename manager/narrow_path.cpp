#include "manager/narrow_path.h"

#include <type_traits>

#include "platform/platform.h"
#include "scripting/text_conversion.h"

namespace fs = std::filesystem;

namespace Norvell {

fs::path pathFromNarrow(const std::string& narrow) {
  const std::wstring wide = FB::Platform::instance().widePath(narrow);
  if constexpr (std::is_same_v<fs::path::value_type, wchar_t>) {
    return fs::path(wide);
  } else {
    // The library would convert wide text through the "C" locale, which
    // fails on every non-ASCII character; file names here are UTF-8.
    const std::string utf8 = FB::toUtf8(wide);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
  }
}

}  // namespace Norvell
