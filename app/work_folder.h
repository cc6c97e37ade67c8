// The plug-in's per-user work folder (the user's temporary folder joined
// with the site folder name) and the recovery folders inside it, plus the
// conversions between the application's wide path texts and
// std::filesystem paths that the file-writing members share.
//
// workFolder and recoveryFolder create what is missing and raise
// std::filesystem::filesystem_error when they cannot. Main thread only: the
// cached work-folder path has no lock.
#pragma once

#include <filesystem>
#include <string>

namespace Norvell {

// The work folder's path, computed and created on first use and cached for
// the life of the process. A failure leaves the cache empty, so the next
// call tries again.
std::wstring workFolder();

// workFolder()/"recovery"/`folder`, created with its parents when missing,
// in the platform's narrow file-name encoding. `folder` is taken as it is
// (empty, nested, ".."); its text is read in the narrow file-name encoding.
std::string recoveryFolder(const std::string& folder);

// Forgets the cached work folder; for tests.
void resetWorkFolderForTesting();

// Lossless conversions between a wide path text and a std::filesystem path
// (UTF-16 on Windows; UTF-32 text against UTF-8 file names on Linux).
std::filesystem::path fileSystemPath(const std::wstring& path);
std::wstring widePathText(const std::filesystem::path& path);

}  // namespace Norvell
