// The plug-in's per-user work folder (the platform's private per-user
// folder, FB::Platform::temporaryFolder, joined with the site folder name)
// and the recovery folders inside it, plus the conversions between the
// application's wide path texts and std::filesystem paths that the
// file-writing members share.
//
// workFolder and recoveryFolder create what is missing and raise
// std::filesystem::filesystem_error when they cannot. Main thread only: the
// cached work-folder path has no lock.
#pragma once

#include <filesystem>
#include <string>

namespace Norvell {

// The work folder's path, computed and created on first use and cached for
// the life of the process. The folder is made private to the user (mode
// 0700 on Linux); when it cannot be made, or it exists but someone else
// could reach it (a link, another owner, permissions open to others),
// nothing is written and filesystem_error "Could not use the work folder"
// is raised. A failure leaves the cache empty, so the next call tries again.
std::wstring workFolder();

// Whether `path` lies inside the work folder (by its text; nothing is
// created or resolved).
bool liesInWorkFolder(const std::filesystem::path& path);

// workFolder()/"recovery"/`folder`, created with its parents when missing,
// in the platform's narrow file-name encoding. `folder` (read in the narrow
// file-name encoding) may be empty or nested; it always lands below the
// recovery folder: a leading separator or a drive is dropped. A folder
// with a ".." name (or, for Windows, any name of dots and blanks only other
// than ".") raises FB::script_error "Invalid recovery folder" before
// anything is created.
std::string recoveryFolder(const std::string& folder);

// Forgets the cached work folder; for tests.
void resetWorkFolderForTesting();

// Lossless conversions between a wide path text and a std::filesystem path
// (UTF-16 on Windows; UTF-32 text against UTF-8 file names on Linux).
std::filesystem::path fileSystemPath(const std::wstring& path);
std::wstring widePathText(const std::filesystem::path& path);

}  // namespace Norvell
