// The operations of the operating system this module is built for, one set
// of free functions implemented per system (the *_posix.cpp or *_win.cpp
// files CMake selects). platform.cpp wraps them in the system instance of
// FB::Platform; everything else asks FB::Platform::instance(), never these
// directly, so tests can put a fake in their place.
//
// Stateless; callable from any thread (the dialogs are modal on the
// calling thread).
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace FB::os {

std::string modulePath();
SystemProxyList systemProxyList();

// Files (platform_files_*.cpp).
std::wstring temporaryFolder();
void makePrivateFolder(const std::wstring& path);
std::wstring localAppDataFolder();
std::string narrowPath(const std::wstring& path);
std::wstring widePath(const std::string& narrow);
PathAttributes pathAttributes(const std::wstring& path);
bool flushFileToDisk(const std::filesystem::path& path);
bool flushFolderToDisk(const std::filesystem::path& path);
// The error both narrowPath and widePath raise for a path they cannot
// convert exactly.
[[noreturn]] void throwUnconvertiblePath();

// Dialogs (platform_dialogs_*.cpp); on Linux shown by the GTK helper program.
int osMajorVersion();
FileDialogResult showFileDialog(const FileDialogRequest& request);
FolderDialogResult showFolderDialog(const FolderDialogRequest& request);
void endDialogs();

// Secondary modules (platform_modules_*.cpp): dlopen/dlsym/dlclose on Linux,
// LoadLibraryW/GetProcAddress/FreeLibrary on Windows.
void appendLibrarySearchPath(const std::wstring& folder);
ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name);

}  // namespace FB::os
