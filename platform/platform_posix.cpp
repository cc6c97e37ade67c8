// The Linux answers to the module path and the proxy list (the other
// operations live in platform_files_posix.cpp and platform_dialogs_posix.cpp).
// Stateless; callable from any thread.
#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/platform.h"
#include "platform/platform_posix.h"
#include "platform/system_platform.h"

namespace FB {
namespace {

namespace fs = std::filesystem;

// Path of the object file (program or shared object) that contains
// `address`. The dynamic linker records a shared object under the name it
// was opened by, and the program under an empty name, so the program's path
// comes from /proc/self/exe. Relative names are made absolute.
std::string objectPathContaining(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  std::error_code error;
  fs::path path;
  if (map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
    path = map->l_name;
  } else {
    path = fs::read_symlink("/proc/self/exe", error);
    if (error) return info.dli_fname != nullptr ? info.dli_fname : std::string();
  }
  if (path.is_relative()) {
    fs::path absolute = fs::absolute(path, error);
    if (!error) path = absolute.lexically_normal();
  }
  return path.string();
}

}  // namespace

std::string os::modulePath() { return objectPathContaining(reinterpret_cast<const void*>(&objectPathContaining)); }

SystemProxyList os::systemProxyList() { return posix::proxyListFromEnvironment(); }

}  // namespace FB
