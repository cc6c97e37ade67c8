// FB::Platform: the one door to what the operating system provides. Code
// outside platform/ asks Platform::instance() instead of calling the system,
// so it builds unchanged for Windows and Linux and tests can put a fake in
// its place (see fake_platform.h).
//
// Each operating system has one concrete class (platform_win.cpp,
// platform_posix.cpp); Platform::instance() answers it unless a test has
// installed a substitute. New operations are added here as pure virtual
// functions and implemented by every concrete class and by FakePlatform.
//
// Threads: the operations of the system instances keep no state and may be
// called from any thread. instance() may be called from any thread;
// setInstanceForTesting only while no other thread uses the platform.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

namespace FB {

// How the system reaches the network.
enum class ProxyAccess {
  Direct,      // no proxy
  NamedProxy,  // the proxies in SystemProxyList::proxies
  AutoConfig,  // the system decides per address (configuration script or
               // auto-detection); no fixed list is known
};

// The system's proxy configuration. `proxies` uses WinINet's form: blank
// separated entries "scheme=host:port", or a bare "host:port" that serves
// every scheme, e.g. "http=p1:80 https=p2:443" or "p3:8080".
struct SystemProxyList {
  ProxyAccess access = ProxyAccess::Direct;
  std::string proxies;
};

// What the system says about a path (fileExists).
enum class PathStatus {
  Exists,   // a file or folder (or one that another process holds locked)
  Missing,  // no such file, folder, drive or network path; device not ready;
            // an invalid name
  Error,    // any other failure; PathAttributes::error says what
};
struct PathAttributes {
  PathStatus status = PathStatus::Missing;
  int errorCode = 0;   // the system's error number for PathStatus::Error
  std::string error;   // its text

  static PathAttributes of(PathStatus status) { return PathAttributes{status, 0, {}}; }
  static PathAttributes failure(int code, std::string text) {
    return PathAttributes{PathStatus::Error, code, std::move(text)};
  }
};

// One open or save file dialog. `filter` is the double-NUL-terminated list of
// alternating description and pattern ("Text\0*.txt\0\0"); `filterIndex` is
// the 1-based filter preselected.
struct FileDialogRequest {
  enum class Kind { Open, Save } kind = Kind::Open;
  std::wstring filter;
  int filterIndex = 1;
};
struct FileDialogResult {
  bool chosen = false;   // false: cancelled or failed
  std::wstring path;
  int filterIndex = 0;   // 1-based filter in force when the user confirmed
};
// A folder dialog: the legacy folder browser or the newer item dialog.
struct FolderDialogRequest {
  enum class Kind { LegacyBrowser, ItemDialog } kind = Kind::ItemDialog;
  std::wstring title;
};
struct FolderDialogResult {
  bool chosen = false;
  std::wstring path;
};

// What became of a call of a module's entry point (callModuleEntryPoint).
struct ModuleCallResult {
  enum class Outcome {
    Called,        // the entry point ran and answered `result`
    NotLoaded,     // the module could not be loaded
    NoEntryPoint,  // the module has no entry point of that name
    Raised,        // the entry point ended with an exception
  };
  Outcome outcome = Outcome::NotLoaded;
  std::int32_t result = 0;  // the entry point's answer when Called

  // The entry point ran and its answer is not negative.
  bool succeeded() const { return outcome == Outcome::Called && result >= 0; }
  static ModuleCallResult answered(std::int32_t result) { return ModuleCallResult{Outcome::Called, result}; }
};

class Platform {
 public:
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
  virtual ~Platform();

  // The test substitute when one is installed, else systemInstance().
  static Platform& instance();
  // The operating system's own instance; lives until the module unloads.
  static Platform& systemInstance();
  // Makes instance() answer `platform` (null: the system instance again).
  // Answers the substitute installed before. The caller keeps ownership.
  static Platform* setInstanceForTesting(Platform* platform);

  // UTF-8 path of the module (DLL, shared object or program) that holds this
  // code; empty when the system cannot tell.
  virtual std::string modulePath() = 0;

  // The proxy configuration the system applies to this user's connections.
  // Throws std::runtime_error when the system cannot be asked.
  virtual SystemProxyList systemProxyList() = 0;

  // --- Files (the application's file objects and work folder) ---
  // The private per-user folder below which the plug-in keeps its work
  // folder, ending with a separator: on Windows the user's temporary folder
  // (GetTempPathW); on Linux the user's cache folder ($XDG_CACHE_HOME when it
  // is absolute, else $HOME/.cache), because /tmp is shared between users.
  // Throws std::runtime_error when the system cannot say.
  virtual std::wstring temporaryFolder() = 0;
  // Makes sure `path` is a folder that no other user can reach, creating it
  // and its missing parents when it is missing (on Linux with mode 0700).
  // An existing folder is refused on Linux when it is a link, not a folder,
  // not owned by the current user, or open to anyone else (any group or
  // other permission bit); on Windows it is taken as it is, since it lies
  // in the private temporary folder. Throws std::system_error when the
  // folder is refused or cannot be made.
  virtual void makePrivateFolder(const std::wstring& path) = 0;
  // The current user's folder for local application data, without a
  // trailing separator (Windows: the known folder LocalAppData; Linux:
  // $XDG_DATA_HOME when it is absolute, else $HOME/.local/share). The folder
  // need not exist. Throws std::runtime_error when the system cannot say.
  virtual std::wstring localAppDataFolder() = 0;
  // A path in the platform's narrow file-name encoding (the active ANSI code
  // page on Windows, UTF-8 on Linux) and back. A path the encoding cannot
  // hold exactly (a character without a narrow form, a look-alike that the
  // system would map to another character such as a full-width slash, bytes
  // that are not text) raises std::filesystem::filesystem_error "Could not
  // convert path": every conversion gives text that converts back to the
  // path it came from.
  virtual std::string narrowPath(const std::wstring& path) = 0;
  virtual std::wstring widePath(const std::string& narrow) = 0;
  virtual PathAttributes pathAttributes(const std::wstring& path) = 0;

  // Writes what the system holds in memory of the file at `path` through to
  // the disk (fsync on Linux, FlushFileBuffers on Windows); false when the
  // file cannot be opened or the flush fails.
  virtual bool flushFileToDisk(const std::filesystem::path& path) = 0;
  // The same for a folder's entries, so that a rename inside it survives a
  // power cut (Linux; on Windows the file system journals its entries and
  // this answers true).
  virtual bool flushFolderToDisk(const std::filesystem::path& path) = 0;

  // --- Dialogs (modal, on the calling thread, no owner window) ---
  // The major version of the operating system as the dialogs read it
  // (Windows: 5 for XP, 6 and up for Vista and later; Linux: always 10, since
  // its dialogs are of the newer kind whatever the kernel).
  virtual int osMajorVersion() = 0;
  virtual FileDialogResult showFileDialog(const FileDialogRequest& request) = 0;
  // Throws std::runtime_error when the item dialog cannot be created or
  // reports a failure other than cancel.
  virtual FolderDialogResult showFolderDialog(const FolderDialogRequest& request) = 0;
  // Ends the dialogs of this process that a call is still waiting for; each
  // such call then answers as if cancelled. Linux: kills the helper programs
  // showing them (their callers reap them). Windows: nothing, the dialogs
  // belong to the calling thread. Any thread.
  virtual void endDialogs() = 0;

  // --- Secondary modules (libraries the plug-in manager installs) ---
  // Appends `folder` to the search path through which the system finds the
  // libraries a module needs: the environment variable "path", joined with
  // ";", on Windows; LD_LIBRARY_PATH, joined with ":", on Linux (there it
  // reaches programs started later: the running process's loader read it at
  // start). Appended on every call, even when already there.
  virtual void appendLibrarySearchPath(const std::wstring& folder) = 0;
  // Loads the module file at `path`, calls its entry point `name` (a function
  // without parameters that answers a 32-bit result whose sign tells
  // success) on the calling thread, and releases the module again.
  virtual ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) = 0;

 protected:
  Platform() = default;
};

// Installs a substitute platform for the lifetime of the object and then
// puts back whatever was installed before. For tests.
class ScopedPlatformForTesting {
 public:
  explicit ScopedPlatformForTesting(Platform& platform)
      : previous_(Platform::setInstanceForTesting(&platform)) {}
  ~ScopedPlatformForTesting() { Platform::setInstanceForTesting(previous_); }
  ScopedPlatformForTesting(const ScopedPlatformForTesting&) = delete;
  ScopedPlatformForTesting& operator=(const ScopedPlatformForTesting&) = delete;

 private:
  Platform* previous_;
};

}  // namespace FB
